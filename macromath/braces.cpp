// Brace expansion: every {...} group of a line is replaced by the value of its
// content, inner groups first.
#include "macromath/braces.h"

#include "macromath/builtins.h"
#include "macromath/evaluator.h"
#include "macromath/trim.h"
#include "macromath/variable_store.h"

#include <algorithm>
#include <cmath>

namespace talvex {

namespace {

// A value may itself hold braces, and the line is searched again after every
// replacement, so variables that expand into each other ("{b}" and "{a}")
// would never finish. A line gets as many groups as it has characters (at
// least kMinGroupBudget) and this much text; past that the expansion fails
// like any other.
constexpr long kMinGroupBudget = 10000;
constexpr std::size_t kMaxExpandedBytes = 64u << 20;

int Expand(std::string_view src, std::string& dst, int depth, VariableStore& vars, long& budget) {
    std::string errText = "undefined error";
    int failed = 0;
    dst = TrimChars(src, " ,");
    std::string s = dst;
    long leftPos = 0, rightPos = 0;
    std::string inner = FindBraces(s, leftPos, rightPos);
    const char separator = vars.environment().decimalSeparator;

    while (leftPos != 0 || rightPos != 0) {
        inner = TrimChars(inner, " ,");
        if (rightPos == 0) {
            failed = 1;
            errText = "unmatched left-brace";
            break;
        }
        if (--budget < 0 || s.size() > kMaxExpandedBytes) {
            failed = 1;
            errText = "expansion does not end";
            break;
        }
        std::string value;
        if (inner.find('{') != std::string::npos) {
            failed = Expand(inner, value, depth + 1, vars, budget);
            inner = value;
            if (failed) break;
        }
        value = EvalExpression(vars.SubstituteVars(inner), depth, separator);

        std::size_t nameLength = 0;
        const int fn = MatchBuiltinBefore(s, static_cast<std::size_t>(leftPos - 1), nameLength);
        if (fn >= 0) {
            leftPos -= static_cast<long>(nameLength);
            value = ApplyBuiltin(fn, value, separator);
        }
        s = s.substr(0, leftPos - 1) + value + s.substr(rightPos);
        dst = s;
        inner = FindBraces(s, leftPos, rightPos);
    }
    if (failed) dst = "{#error expanding <" + inner + "> " + errText + "}";
    return failed;
}

} // namespace

std::string FindBraces(std::string_view text, long& leftPos, long& rightPos) {
    leftPos = 0;
    rightPos = 0;
    long level = 0;
    for (std::size_t i = 0; i < text.size() && rightPos == 0; ++i) {
        if (text[i] == '{') {
            if (++level == 1) leftPos = static_cast<long>(i) + 1;
        } else if (text[i] == '}' && leftPos != 0 && level > 0) {
            if (--level == 0) rightPos = static_cast<long>(i) + 1;
        }
    }
    if (leftPos == 0 || rightPos == 0 || rightPos == leftPos + 1) return "";
    return std::string(text.substr(leftPos, rightPos - leftPos - 1));
}

int ExpandBraces(std::string_view src, std::string& dst, int depth, VariableStore& vars) {
    long budget = std::max(kMinGroupBudget, static_cast<long>(src.size()));
    return Expand(src, dst, depth, vars, budget);
}

double Log10(double x) {
    return std::log(x) / std::log(10.0);
}

} // namespace talvex
