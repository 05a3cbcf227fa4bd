// EvalExpression: finds one operator, splits the text there and applies it.
// There is no precedence: compound expressions are written with nested
// braces, each group evaluated on its own.
#include "macromath/evaluator.h"

#include "macromath/arithmetic_error.h"
#include "macromath/number_text.h"
#include "macromath/trim.h"

#include <cmath>
#include <cstdint>
#include <string>

namespace talvex {

namespace {

// The operator list in search order. A class B operator wins only if it ends
// before the current choice begins.
struct Operator {
    const char* text;
    bool classB;
};
constexpr Operator kOperators[] = {
    {"*", false},  {"/", false}, {"<>", true},  {"<=", true}, {">=", true}, {"=", false},
    {"<", false},  {">", false}, {"++", true},  {"+-", true}, {"-+", true}, {"--", true},
    {"&&", false}, {"&", false}, {"||", false}, {"|", false}, {"^", false}, {"!=", false},
};

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// A "+" or "-" between a digit followed by "e"/"E" and a digit belongs to a
// number's exponent. `p` is 1-based.
bool IsExponentSign(const std::string& s, std::size_t p) {
    return p > 2 && IsDigit(s[p - 3]) && (s[p - 2] == 'e' || s[p - 2] == 'E') && p < s.size() &&
           IsDigit(s[p]);
}

// The first single "+" or "-" at or after `start` (1-based) that is not an
// exponent sign and lies in 2 <= p < best; 0 when none.
std::size_t FindSignOperator(const std::string& s, char sign, std::size_t start, std::size_t best) {
    for (std::size_t i = s.find(sign, start - 1); i != std::string::npos; i = s.find(sign, i + 1)) {
        const std::size_t p = i + 1;
        if (p >= best) return 0;
        if (p < 2) continue;
        if (!IsExponentSign(s, p)) return p;
    }
    return 0;
}

std::string IntegerText(std::int64_t v) {
    return std::to_string(v);
}

std::int32_t ToInt32OrThrow(double x) {
    const auto v = RoundToInt32(x);
    if (!v) throw ArithmeticError("arithmetic overflow");
    return *v;
}

std::string Checked(double result) {
    if (!std::isfinite(result)) throw ArithmeticError("arithmetic overflow");
    return PlainNumberText(result);
}

} // namespace

std::string EvalExpression(std::string_view expr, int keepQuotes, char decimalSeparator) {
    std::string s = TrimChars(expr, " ,");
    std::size_t start = 2; // 1-based, as the search rules are written
    bool quoted = false;

    if (s.size() > 1 && (s[0] == '\'' || s[0] == '"')) {
        const std::size_t q = s.find(s[0], 1);
        if (q != std::string::npos) {
            start = q + 1;
            quoted = true;
        }
    }

    if (s.size() > start) {
        std::size_t best = s.size();
        std::string op;
        for (const Operator& o : kOperators) {
            const std::size_t i = s.find(o.text, start - 1);
            if (i == std::string::npos) continue;
            const std::size_t p = i + 1;
            const bool fits = o.classB ? p + 1 < best : p < best;
            if (p >= 2 && fits) {
                best = p;
                op = o.text;
            }
        }
        if (op.empty()) {
            if (std::size_t p = FindSignOperator(s, '+', start, best)) {
                best = p;
                op = "+";
            } else if (std::size_t m = FindSignOperator(s, '-', start, best)) {
                best = m;
                op = "-";
            }
        }

        if (!op.empty()) {
            const std::string left = TrimChars(std::string_view(s).substr(0, best - 1), " ,");
            std::string right = TrimChars(std::string_view(s).substr(best - 1 + op.size()), " ,");
            if (quoted) {
                if (op == "+" || op == "&") s = TrimChars(left, "'\"") + TrimChars(right, "'\"");
            } else {
                const double a = ValOf(left);
                double b = ValOf(right);
                if (op == "+" || op == "++" || op == "--") {
                    s = Checked(a + b);
                } else if (op == "-" || op == "+-" || op == "-+") {
                    s = Checked(a - b);
                } else if (op == "*") {
                    s = Checked(a * b);
                } else if (op == "/") {
                    if (b == 0) {
                        right = "0.00000000001";
                        b = ValOf(right);
                    }
                    s = Checked(a / b);
                } else if (op == "^") {
                    const double r = std::pow(a, b);
                    if (std::isfinite(r))
                        s = LocaleNumberText(r, decimalSeparator);
                    else
                        s = "err<" + left + "^" + right + ">";
                } else if (op == "=") {
                    s = a == b ? "1" : "0";
                } else if (op == "<>" || op == "!=") {
                    s = a != b ? "1" : "0";
                } else if (op == "<") {
                    s = a < b ? "1" : "0";
                } else if (op == ">") {
                    s = a > b ? "1" : "0";
                } else if (op == "<=") {
                    s = a <= b ? "1" : "0";
                } else if (op == ">=") {
                    s = a >= b ? "1" : "0";
                } else if (op == "&&") {
                    s = (a != 0 && b != 0) ? "1" : "0";
                } else if (op == "||") {
                    s = (a == 0 && b == 0) ? "0" : "1";
                } else if (op == "&") {
                    s = IntegerText(ToInt32OrThrow(a) & ToInt32OrThrow(b));
                } else if (op == "|") {
                    s = IntegerText(ToInt32OrThrow(a) | ToInt32OrThrow(b));
                }
            }
        }
    }

    // A group's text may be megabytes long: copied only when the trims take
    // something off.
    const std::string_view kept = TrimView(TrimView(s, " ,"), "'\"");
    if (kept.size() != s.size()) s = std::string(kept);
    if (keepQuotes >= 1 && quoted) s = "\"" + s + "\"";
    return s;
}

} // namespace talvex
