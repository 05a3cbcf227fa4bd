// Host responses through everything that picks them apart: the field,
// error-bar and column pickers, the field names, the positions that
// "#Return=", "#Wend=" and the #if offset carry, and "%" replies read into
// variables by AssignList. The input is "index|delimiter|name|response" with
// "|" standing for a line feed; the response may hold line feeds itself.
#include "engine/assign_list.h"
#include "engine/jump_targets.h"
#include "hostfields/response_fields.h"
#include "macromath/arithmetic_error.h"
#include "macromath/variable_store.h"
#include "tests/macromath/test_environment.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

void Check(bool ok, const char* what) {
    if (ok) return;
    std::fprintf(stderr, "property broken: %s\n", what);
    std::abort();
}

std::string_view NextPart(std::string_view& input) {
    const auto nl = input.find('\n');
    const std::string_view part = input.substr(0, nl);
    input.remove_prefix(nl == std::string_view::npos ? input.size() : nl + 1);
    return part;
}

bool IsNumberOrNotFound(double v) {
    return v == talvex::kFieldNotFound || std::isfinite(v);
}

bool Contained(std::string_view text, const std::string& part) {
    return part.empty() || text.find(part) != std::string_view::npos;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::string_view indexText = NextPart(input);
    const std::string_view delimiter = NextPart(input);
    const std::string_view name = NextPart(input);
    const std::string_view text = input;
    int index = 0;
    for (char c : indexText.substr(0, 4))
        index = index * 10 + (c >= '0' && c <= '9' ? c - '0' : 0);
    if (!indexText.empty() && indexText[0] == '-') index = -index;

    const std::string value = talvex::ParseString(text, name);
    Check(Contained(text, value), "a field value is part of the response");
    Check(value.find_first_of(",)") == std::string::npos, "a field value stops at , and )");
    Check(value.empty() || (value.front() != ' ' && value.back() != ' '), "a value is trimmed");
    Check(IsNumberOrNotFound(talvex::FieldValue(text, name)), "field value");
    Check(IsNumberOrNotFound(talvex::FieldErrorBar(text, name)), "error bar");

    const int fields = talvex::ParmCount(text);
    Check(fields == std::count(text.begin(), text.end(), '='), "field count");
    const std::string parm = talvex::ParmName(text, index);
    Check(Contained(text, parm), "a field name is part of the response");
    Check(parm.find_first_of(",(") == std::string::npos, "a field name stops at , and (");
    Check(talvex::ParmName(text, fields).empty(), "no name past the last field");
    Check(talvex::ParmName(text, -1).empty(), "no name before the first field");
    Check(IsNumberOrNotFound(talvex::SkipColumn(text, index, delimiter)), "column");
    Check(talvex::SkipColumn(text, -1, delimiter) == talvex::kFieldNotFound, "no column -1");

    // What the runner does with "#Return=", "#Wend=", "#Loop=" and "#if" replies.
    try {
        Check(talvex::PositionAfterEquals(text) >= 1, "a return lands on a line");
    } catch (const talvex::ArithmeticError&) {
    }
    try {
        Check(talvex::OffsetTarget(text, 1 + index, 7) >= 1, "an #if offset lands on a line");
    } catch (const talvex::ArithmeticError&) {
    }

    // A "%" reply read into the variables.
    talvex::VariableStore vars(talvex::testing::FixedEnvironment());
    const int assigned = talvex::AssignList(text, vars);
    Check(assigned >= 0 && assigned <= fields, "at most one variable per =");
    Check(vars.VarCount() <= talvex::VariableStore::kMaxVariables, "store bound");
    return 0;
}
