// Number reading and writing. Everything here goes through from_chars and
// to_chars so the process locale (which Qt sets from the environment) never
// changes how a script reads or prints a number.
#include "macromath/number_text.h"

#include "macromath/arithmetic_error.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <string>

namespace talvex {

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// "&H..." and "&O...": the digits right after the prefix.
double RadixValue(const std::string& s, int radix) {
    std::uint64_t value = 0;
    std::size_t digits = 0;
    bool overflow = false;
    for (std::size_t i = 2; i < s.size(); ++i) {
        const int d = HexDigit(s[i]);
        if (d < 0 || d >= radix) break;
        ++digits;
        value = value * radix + d;
        if (value > 0xFFFFFFFFull) overflow = true;
    }
    if (overflow) throw ArithmeticError("arithmetic overflow");
    const bool small = radix == 16 ? digits <= 4 : value <= 0xFFFF && digits <= 6;
    if (small) return static_cast<std::int16_t>(static_cast<std::uint16_t>(value));
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
}

} // namespace

double ValOf(std::string_view text) {
    // Blanks, tabs and line feeds do not count, wherever they stand.
    std::string s;
    s.reserve(text.size());
    for (char c : text)
        if (c != ' ' && c != '\t' && c != '\n') s.push_back(c);

    if (s.size() >= 2 && s[0] == '&') {
        if (s[1] == 'H' || s[1] == 'h') return RadixValue(s, 16);
        if (s[1] == 'O' || s[1] == 'o') return RadixValue(s, 8);
    }

    // The longest prefix that forms a number.
    std::size_t i = 0;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
        negative = s[i] == '-';
        ++i;
    }
    const std::size_t mantissaStart = i;
    std::size_t intDigits = 0, fracZerosBeforeFirst = 0;
    bool seenNonZero = false, seenPoint = false;
    std::size_t mantissaDigits = 0;
    for (; i < s.size(); ++i) {
        const char c = s[i];
        if (IsDigit(c)) {
            ++mantissaDigits;
            if (!seenPoint) {
                if (seenNonZero || c != '0') ++intDigits;
            } else if (!seenNonZero && c == '0') {
                ++fracZerosBeforeFirst;
            }
            if (c != '0') seenNonZero = true;
        } else if (c == '.' && !seenPoint) {
            seenPoint = true;
        } else {
            break;
        }
    }
    if (mantissaDigits == 0) return 0.0;
    std::size_t end = i;
    long long exponent = 0;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        std::size_t j = i + 1;
        bool expNegative = false;
        if (j < s.size() && (s[j] == '+' || s[j] == '-')) {
            expNegative = s[j] == '-';
            ++j;
        }
        const std::size_t expDigitsStart = j;
        while (j < s.size() && IsDigit(s[j])) {
            if (exponent < 1000000000) exponent = exponent * 10 + (s[j] - '0');
            ++j;
        }
        if (j > expDigitsStart) {
            end = j;
            if (expNegative) exponent = -exponent;
        }
    }
    if (!seenNonZero) return negative ? -0.0 : 0.0;

    double value = 0.0;
    const char* first = s.data() + mantissaStart;
    const char* last = s.data() + end;
    const auto result = std::from_chars(first, last, value, std::chars_format::general);
    if (result.ec == std::errc::result_out_of_range) {
        // Decide overflow from underflow by the decimal magnitude.
        const long long magnitude =
            exponent + (intDigits > 0 ? static_cast<long long>(intDigits)
                                      : -static_cast<long long>(fracZerosBeforeFirst));
        if (magnitude > 0) throw ArithmeticError("arithmetic overflow");
        return negative ? -0.0 : 0.0;
    }
    return negative ? -value : value;
}

namespace {

// %.15G without the locale: 15 significant digits, trailing zeros dropped,
// exponent form "1E+20" outside the plain range.
std::string General15(double x) {
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, x, std::chars_format::general, 15);
    std::string s(buf, r.ptr);
    for (char& c : s)
        if (c == 'e') c = 'E';
    return s;
}

} // namespace

std::string PlainNumberText(double x) {
    if (x == 0.0 || std::isnan(x)) return " 0";
    std::string s = General15(x);
    const bool negative = s[0] == '-';
    std::string digits = negative ? s.substr(1) : s;
    if (digits.size() > 1 && digits[0] == '0' && digits[1] == '.') digits.erase(0, 1);
    return (negative ? "-" : " ") + digits;
}

std::string LocaleNumberText(double x, char decimalSeparator) {
    if (x == 0.0 || std::isnan(x)) return "0";
    std::string s = General15(x);
    for (char& c : s)
        if (c == '.') c = decimalSeparator;
    return s;
}

std::optional<std::int32_t> RoundToInt32(double x) {
    const double r = std::nearbyint(x); // ties to even under the default rounding mode
    if (!(r >= -2147483648.0 && r <= 2147483647.0)) return std::nullopt;
    return static_cast<std::int32_t>(r);
}

std::optional<std::int16_t> RoundToInt16(double x) {
    const double r = std::nearbyint(x);
    if (!(r >= -32768.0 && r <= 32767.0)) return std::nullopt;
    return static_cast<std::int16_t>(r);
}

} // namespace talvex
