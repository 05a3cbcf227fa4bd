// The jump rules shared by the runner and the tests' script driver.
#include "engine/jump_targets.h"

#include "macromath/arithmetic_error.h"
#include "macromath/number_text.h"
#include "macromath/trim.h"

#include <algorithm>

namespace talvex {

namespace {

// A position written after "=" or "#offset=": its leading number, rounded.
long PositionAt(std::string_view text, std::size_t from) {
    const auto n = RoundToInt32(ValOf(text.substr(from)));
    if (!n) throw ArithmeticError("arithmetic overflow");
    return *n;
}

} // namespace

LabelIndex IndexLabels(std::string_view script) {
    LabelIndex labels;
    const long n = static_cast<long>(script.size());
    for (long start = 1; start <= n;) {
        const std::size_t crlf = script.find("\r\n", static_cast<std::size_t>(start - 1));
        const long end = crlf == std::string_view::npos ? n + 1 : static_cast<long>(crlf) + 1;
        const std::string_view line = script.substr(start - 1, end - start);
        std::string name;
        if (LabelOnLine(line, name)) labels.emplace(std::move(name), end + 2);
        start = end + 2;
    }
    return labels;
}

bool LabelOnLine(std::string_view line, std::string& name) {
    if (!StartsWithNoCase(line, "#label") && !StartsWithNoCase(line, "label")) return false;
    const std::size_t paren = line.find('(');
    if (paren == std::string_view::npos) return false;
    name = AsciiLower(TrimView(line.substr(paren + 1), " ,)"));
    return true;
}

long LabelPosition(const LabelIndex& labels, std::string_view name, long scriptLength) {
    const auto it = labels.find(AsciiLower(name));
    return it != labels.end() ? it->second : scriptLength + 2;
}

long PositionAfterEquals(std::string_view result) {
    const std::size_t eq = result.find('=');
    return std::max(1L, PositionAt(result, eq == std::string_view::npos ? 0 : eq + 1));
}

long OffsetTarget(std::string_view result, long lineStart, long fallThrough) {
    static constexpr std::string_view kOffset = "#offset=";
    const std::size_t at = FindNoCase(result, kOffset);
    if (at == std::string_view::npos) return fallThrough;
    return std::max(1L, lineStart + PositionAt(result, at + kOffset.size()) - 1);
}

} // namespace talvex
