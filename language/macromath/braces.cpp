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
// characters (at least kMinGroupBudget), let the line or any text it makes on
// the way grow to kMaxLineBytes, and move or scan as many bytes as
// kMinWorkBytes or the square of the line's length, whichever is more; past
// that it fails like any other. The work bound keeps a line that grows with
// every round from taking minutes to fail, and a value that multiplies through
// nested groups ("a" holding "AAA", so each level names it once per letter)
// from filling memory.
constexpr long kMinGroupBudget = 10000;
constexpr double kMinWorkBytes = 1024.0 * 1024 * 1024;
// Each level of nesting is one more call that copies, substitutes and
// evaluates the whole group again, so depth costs stack and time in
// proportion to the group's length; written formulas stay far below this.
constexpr long kMaxNesting = 100;

struct Budget {
    long groups;
    double workBytes;
    int firstDepth; // the depth the expansion was started at
};

// FindBraces over `text`, also telling how deeply braces nest inside the pair
// found, the pair itself counting 1 (over the whole text when unmatched).
std::string ScanBraces(std::string_view text, long& leftPos, long& rightPos, long& deepest) {
    leftPos = 0;
    rightPos = 0;
    deepest = 0;
    long level = 0;
    for (std::size_t i = 0; i < text.size() && rightPos == 0; ++i) {
        if (text[i] == '{') {
            if (++level == 1) leftPos = static_cast<long>(i) + 1;
            deepest = std::max(deepest, level);
        } else if (text[i] == '}' && leftPos != 0 && level > 0) {
            if (--level == 0) rightPos = static_cast<long>(i) + 1;
        }
    }
    if (leftPos == 0 || rightPos == 0 || rightPos == leftPos + 1) return "";
    return std::string(text.substr(leftPos, rightPos - leftPos - 1));
}

// The first top-level group at or after `from` (0-based), with 1-based
// positions of the whole line as FindBraces gives them.
std::string FindGroupFrom(std::string_view s, std::size_t from, long& leftPos, long& rightPos,
                          long& deepest) {
    std::string inner = ScanBraces(s.substr(from), leftPos, rightPos, deepest);
    if (leftPos != 0) leftPos += static_cast<long>(from);
    if (rightPos != 0) rightPos += static_cast<long>(from);
    return inner;
}

// The largest text the budget still allows.
std::size_t Allowance(const Budget& budget) {
    if (budget.workBytes <= 0) return 0;
    return static_cast<std::size_t>(std::min(budget.workBytes, static_cast<double>(kMaxLineBytes)));
}

int Expand(std::string_view src, std::string& dst, int depth, VariableStore& vars, Budget& budget) {
    std::string errText = "undefined error";
    int failed = 0;
    std::string s = TrimChars(src, " ,");
    budget.workBytes -= static_cast<double>(src.size());
    long leftPos = 0, rightPos = 0, deepest = 0;
    std::string inner = FindGroupFrom(s, 0, leftPos, rightPos, deepest);
    const char separator = vars.environment().decimalSeparator;

    while (leftPos != 0 || rightPos != 0) {
        inner = TrimChars(inner, " ,");
        if (rightPos == 0) {
            failed = 1;
            errText = "unmatched left-brace";
            break;
        }
        // Checked before going in, so a line nested far too deep fails after
        // one scan instead of one scan per level.
        if (depth - budget.firstDepth + deepest > kMaxNesting) {
            failed = 1;
            errText = "nesting is too deep";
            break;
        }
        if (--budget.groups < 0 || s.size() > kMaxLineBytes || budget.workBytes < 0) {
            failed = 1;
            errText = "expansion does not end";
            break;
        }
        // `inner` keeps the group as written, for the error text.
        std::string value;
        std::string_view content = inner;
        if (inner.find('{') != std::string::npos) {
            failed = Expand(inner, value, depth + 1, vars, budget);
            if (failed) {
                inner = std::move(value);
                break;
            }
            content = value;
        }
        std::string substituted;
        if (!vars.SubstituteVarsWithin(content, Allowance(budget), substituted)) {
            failed = 1;
            errText = "expansion does not end";
            break;
        }
        // Substitution and evaluation each pass over the text.
        budget.workBytes -= 2.0 * static_cast<double>(substituted.size());
        value = EvalExpression(substituted, depth, separator);

        std::size_t nameLength = 0;
        const int fn = MatchBuiltinBefore(s, static_cast<std::size_t>(leftPos - 1), nameLength);
        if (fn >= 0) {
            leftPos -= static_cast<long>(nameLength);
            value = ApplyBuiltin(fn, value, separator);
        }
        const auto groupStart = static_cast<std::size_t>(leftPos - 1);
        const std::size_t groupLength = static_cast<std::size_t>(rightPos) - groupStart;
        if (s.size() - groupLength + value.size() > kMaxLineBytes) {
            failed = 1;
            errText = "expansion does not end";
            break;
        }
        s.replace(groupStart, groupLength, value);
        // Nothing before the group holds a "{" (it was the first one), so the
        // search goes on where the value begins.
        budget.workBytes -= static_cast<double>(s.size() - groupStart);
        inner = FindGroupFrom(s, groupStart, leftPos, rightPos, deepest);
    }
    if (failed)
        dst = "{#error expanding <" + inner + "> " + errText + "}";
    else
        dst = std::move(s);
    return failed;
}

} // namespace

std::string FindBraces(std::string_view text, long& leftPos, long& rightPos) {
    long deepest = 0;
    return ScanBraces(text, leftPos, rightPos, deepest);
}

int ExpandBraces(std::string_view src, std::string& dst, int depth, VariableStore& vars) {
    const auto length = static_cast<double>(src.size());
    Budget budget{std::max(kMinGroupBudget, static_cast<long>(src.size())),
                  std::max(kMinWorkBytes, length * length), depth};
    return Expand(src, dst, depth, vars, budget);
}

double Log10(double x) {
    return std::log(x) / std::log(10.0);
}

} // namespace talvex
