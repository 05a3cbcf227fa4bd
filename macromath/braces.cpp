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
// would never finish. An expansion may replace as many groups as the line has
// characters (at least kMinGroupBudget), let the line grow to kMaxLineBytes,
// and move or scan as many bytes as kMinWorkBytes or the square of the line's
// length, whichever is more; past that it fails like any other. The work bound
// keeps a line that grows with every round from taking minutes to fail.
constexpr long kMinGroupBudget = 10000;
constexpr std::size_t kMaxLineBytes = 64u << 20;
constexpr double kMinWorkBytes = 1024.0 * 1024 * 1024;

struct Budget {
    long groups;
    double workBytes;
};

// The first top-level group at or after `from` (0-based), with 1-based
// positions of the whole line as FindBraces gives them.
std::string FindBracesFrom(std::string_view s, std::size_t from, long& leftPos, long& rightPos) {
    std::string inner = FindBraces(s.substr(from), leftPos, rightPos);
    if (leftPos != 0) leftPos += static_cast<long>(from);
    if (rightPos != 0) rightPos += static_cast<long>(from);
    return inner;
}

int Expand(std::string_view src, std::string& dst, int depth, VariableStore& vars, Budget& budget) {
    std::string errText = "undefined error";
    int failed = 0;
    std::string s = TrimChars(src, " ,");
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
        if (--budget.groups < 0 || s.size() > kMaxLineBytes || budget.workBytes < 0) {
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
        const auto groupStart = static_cast<std::size_t>(leftPos - 1);
        s.replace(groupStart, static_cast<std::size_t>(rightPos) - groupStart, value);
        // Nothing before the group holds a "{" (it was the first one), so the
        // search goes on where the value begins.
        budget.workBytes -= static_cast<double>(s.size() - groupStart);
        inner = FindBracesFrom(s, groupStart, leftPos, rightPos);
    }
    if (failed)
        dst = "{#error expanding <" + inner + "> " + errText + "}";
    else
        dst = std::move(s);
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
    const auto length = static_cast<double>(src.size());
    Budget budget{std::max(kMinGroupBudget, static_cast<long>(src.size())),
                  std::max(kMinWorkBytes, length * length)};
    return Expand(src, dst, depth, vars, budget);
}

double Log10(double x) {
    return std::log(x) / std::log(10.0);
}

} // namespace talvex
