// Response field parsing.
#include "hostfields/response_fields.h"

#include "macromath/arithmetic_error.h"
#include "macromath/number_text.h"

namespace talvex {

namespace {

char FoldAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

std::string_view::size_type FindNoCase(std::string_view text, std::string_view what) {
    if (what.empty()) return text.empty() ? std::string_view::npos : 0;
    if (what.size() > text.size()) return std::string_view::npos;
    const auto last = text.size() - what.size();
    for (std::string_view::size_type i = 0; i <= last; ++i) {
        std::string_view::size_type k = 0;
        while (k < what.size() && FoldAscii(text[i + k]) == FoldAscii(what[k]))
            ++k;
        if (k == what.size()) return i;
    }
    return std::string_view::npos;
}

// A host value that overflows a double is no usable value.
double NumberOr(std::string_view text, double fallback) {
    try {
        return ValOf(text);
    } catch (const ArithmeticError&) {
        return fallback;
    }
}

constexpr std::string_view kPlusMinus = "\xC2\xB1";

} // namespace

std::string ParseString(std::string_view text, std::string_view name) {
    auto p = FindNoCase(text, name);
    if (p == std::string_view::npos) return std::string();
    p += name.size();
    while (p < text.size() && text[p] == ' ')
        ++p;
    auto end = p;
    while (end < text.size() && text[end] != ',' && text[end] != ')')
        ++end;
    while (end > p && text[end - 1] == ' ')
        --end;
    return std::string(text.substr(p, end - p));
}

double FieldValue(std::string_view text, std::string_view name) {
    const std::string v = ParseString(text, name);
    if (v.empty()) return kFieldNotFound;
    return NumberOr(v, kFieldNotFound);
}

double FieldErrorBar(std::string_view text, std::string_view name) {
    const std::string v = ParseString(text, name);
    const auto pm = v.find(kPlusMinus);
    if (v.empty() || pm == std::string::npos) return kFieldNotFound;
    return NumberOr(std::string_view(v).substr(pm + kPlusMinus.size()), kFieldNotFound);
}

int ParmCount(std::string_view text) {
    int n = 0;
    for (char c : text)
        if (c == '=') ++n;
    return n;
}

std::string ParmName(std::string_view text, int index) {
    if (index < 0) return std::string();
    std::string_view::size_type eq = std::string_view::npos;
    std::string_view::size_type from = 0;
    for (int k = 0; k <= index; ++k) {
        eq = text.find('=', from);
        if (eq == std::string_view::npos) return std::string();
        from = eq + 1;
    }
    // [begin, end) will hold the name.
    auto end = eq;
    while (end > 0 && text[end - 1] == ' ')
        --end;
    auto begin = end;
    while (begin > 0 && text[begin - 1] != ',' && text[begin - 1] != '(')
        --begin;
    while (begin < end && text[begin] == ' ')
        ++begin;
    return std::string(text.substr(begin, end - begin));
}

double SkipColumn(std::string_view text, int index, std::string_view delimiter) {
    if (index < 0) return kFieldNotFound;
    std::string_view::size_type start = 0;
    if (delimiter.empty()) {
        if (index > 0) return kFieldNotFound;
        return NumberOr(text, kFieldNotFound);
    }
    for (int k = 0; k < index; ++k) {
        const auto d = text.find(delimiter, start);
        if (d == std::string_view::npos) return kFieldNotFound;
        start = d + delimiter.size();
    }
    auto end = text.find(delimiter, start);
    if (end == std::string_view::npos) end = text.size();
    return NumberOr(text.substr(start, end - start), kFieldNotFound);
}

} // namespace talvex
