// The built-in functions that may stand directly before a brace group, and
// the rule for recognising one.
#include "macromath/builtins.h"

#include "macromath/arithmetic_error.h"
#include "macromath/braces.h"
#include "macromath/number_text.h"
#include "macromath/trim.h"

#include <array>
#include <cmath>
#include <cstdint>

namespace talvex {

namespace {

// Tried in this order; the first that matches wins.
constexpr std::array<std::string_view, 12> kNames = {"loge", "log10", "exp",  "~",   "not", "!",
                                                     "bit",  "hex",   "long", "int", "str", "val"};
enum Builtin { Loge, Log10Fn, Exp, Complement, Not, Bang, Bit, Hex, Long, Int, Str, Val };

// Characters that may stand right before a function name; "±" is checked
// separately since it is two bytes.
constexpr std::string_view kDelimiters = " ,()[]{}+-*/^&|=\"'\r\n\x01";

bool DelimiterEndsAt(std::string_view line, std::size_t end) {
    if (end == 0) return false;
    if (kDelimiters.find(line[end - 1]) != std::string_view::npos) return true;
    return end >= 2 && line.substr(end - 2, 2) == "\xC2\xB1";
}

std::string BitText(std::int32_t n) {
    const auto u = static_cast<std::uint32_t>(n);
    int top; // highest bit written after the optional sign digit
    std::string out;
    if (n < 0 || n >= 65536) {
        out += n < 0 ? '1' : '0';
        top = 30;
    } else if (n > 255) {
        top = 15;
    } else {
        top = 7;
    }
    for (int b = top; b >= 0; --b)
        out += ((u >> b) & 1u) ? '1' : '0';
    return out;
}

std::string HexText(std::int32_t n) {
    static const char digits[] = "0123456789ABCDEF";
    auto u = static_cast<std::uint32_t>(n);
    std::string rev;
    do {
        rev += digits[u & 0xF];
        u >>= 4;
    } while (u != 0);
    return "&H" + std::string(rev.rbegin(), rev.rend());
}

} // namespace

int MatchBuiltinBefore(std::string_view line, std::size_t bracePos, std::size_t& nameLength) {
    for (std::size_t i = 0; i < kNames.size(); ++i) {
        const std::size_t n = kNames[i].size();
        if (bracePos < n) continue;
        const std::size_t start = bracePos - n;
        if (!StartsWithNoCase(line.substr(start, n), kNames[i])) continue;
        if (start == 0 || DelimiterEndsAt(line, start)) {
            nameLength = n;
            return static_cast<int>(i);
        }
    }
    return -1;
}

std::string ApplyBuiltin(int index, const std::string& x, char decimalSeparator) {
    if (index == Str) return "'" + x + "'";
    if (index == Val) {
        if (x.empty() || (x[0] != '"' && x[0] != '\'')) return x;
        const std::string_view rest =
            TrimView(std::string_view(x).substr(1), std::string_view(" ,:[]()\r\n\x01", 11));
        try {
            return LocaleNumberText(ValOf(rest), decimalSeparator);
        } catch (const ArithmeticError&) {
            return x;
        }
    }
    // A number the language cannot hold is a result the function cannot
    // compute: the group keeps its value.
    double a = 0;
    try {
        a = ValOf(x);
    } catch (const ArithmeticError&) {
        return x;
    }
    switch (index) {
    case Loge:
        return a > 0 ? LocaleNumberText(std::log(a), decimalSeparator) : x;
    case Log10Fn:
        return a > 0 ? LocaleNumberText(Log10(a), decimalSeparator) : x;
    case Exp: {
        const double e = std::exp(a);
        return std::isfinite(e) ? LocaleNumberText(e, decimalSeparator) : x;
    }
    case Complement: {
        const auto n = RoundToInt32(a);
        return n ? std::to_string(~*n) : x;
    }
    case Not:
    case Bang:
        return a == 0 ? "1" : "0";
    case Bit: {
        // Outside the 32-bit range there is no bit pattern to show; the value
        // stays as it is, as with the other functions.
        const auto n = RoundToInt32(a);
        return n ? BitText(*n) : x;
    }
    case Hex: {
        const auto n = RoundToInt32(a);
        return n ? HexText(*n) : x;
    }
    case Long: {
        const auto n = RoundToInt32(a);
        return n ? std::to_string(*n) : x;
    }
    case Int: {
        const auto n = RoundToInt16(a);
        return n ? std::to_string(*n) : x;
    }
    default:
        return x;
    }
}

} // namespace talvex
