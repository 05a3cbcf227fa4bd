// Fuzzes brace expansion with variable substitution and evaluation. The input
// is split at line feeds: the lines before the last (at most eight) are
// "name=value" assignments, the last one is the line to expand.
#include "macromath/arithmetic_error.h"
#include "macromath/braces.h"
#include "macromath/variable_store.h"
#include "tests/macromath/test_environment.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace {

std::string_view trimBlanksAndCommas(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == ','))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == ','))
        s.remove_suffix(1);
    return s;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    while (lines.size() < 8) {
        const std::size_t nl = input.find('\n', start);
        if (nl == std::string_view::npos) break;
        lines.push_back(input.substr(start, nl - start));
        start = nl + 1;
    }
    const std::string_view line = input.substr(start);

    talvex::VariableStore store(talvex::testing::FixedEnvironment());
    for (std::string_view assignment : lines) {
        const std::size_t eq = assignment.find('=');
        if (eq == std::string_view::npos) continue;
        std::string value(assignment.substr(eq + 1));
        store.SetVar(assignment.substr(0, eq), value);
    }

    std::string dst;
    int failed = 0;
    try {
        failed = talvex::ExpandBraces(line, dst, 0, store);
    } catch (const talvex::ArithmeticError&) {
        return 0; // the runner ends the run at this line; an allowed outcome
    }
    if (failed != 0 && failed != 1) std::abort();
    if (failed == 1 && dst.rfind("{#error expanding <", 0) != 0) std::abort();
    // A line without groups comes back trimmed and otherwise untouched.
    if (line.find('{') == std::string_view::npos && dst != trimBlanksAndCommas(line)) std::abort();
    return 0;
}
