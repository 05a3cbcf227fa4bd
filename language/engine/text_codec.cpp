// Windows-1252, UTF-16 and UTF-8, and line ends: the stored script format
// holds one byte per character in the code page, plain-text files come as
// editors write them; everything in memory is UTF-8 with CR LF line ends.
#include "engine/text_codec.h"

#include <array>
#include <cstdint>

namespace talvex {

namespace {

// 0x80..0x9F of Windows-1252; the five unused places keep their own number.
constexpr std::array<std::uint16_t, 32> kHigh = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

void AppendUtf8(std::string& out, std::uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// Decodes one well-formed UTF-8 sequence at `i`; returns its length, 0 when
// the bytes there are not well-formed.
std::size_t DecodeOne(std::string_view s, std::size_t i, std::uint32_t& cp) {
    const auto b0 = static_cast<unsigned char>(s[i]);
    if (b0 < 0x80) {
        cp = b0;
        return 1;
    }
    std::size_t n;
    std::uint32_t min;
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        n = 2;
        cp = b0 & 0x1F;
        min = 0x80;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        n = 3;
        cp = b0 & 0x0F;
        min = 0x800;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        n = 4;
        cp = b0 & 0x07;
        min = 0x10000;
    } else {
        return 0;
    }
    if (i + n > s.size()) return 0;
    for (std::size_t k = 1; k < n; ++k) {
        const auto b = static_cast<unsigned char>(s[i + k]);
        if ((b & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (b & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
    return n;
}

} // namespace

bool IsValidUtf8(std::string_view bytes) {
    std::uint32_t cp;
    for (std::size_t i = 0; i < bytes.size();) {
        const std::size_t n = DecodeOne(bytes, i, cp);
        if (n == 0) return false;
        i += n;
    }
    return true;
}

std::string Cp1252ToUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 8);
    for (char ch : bytes) {
        const auto b = static_cast<unsigned char>(ch);
        if (b < 0x80)
            out += ch;
        else if (b < 0xA0)
            AppendUtf8(out, kHigh[b - 0x80]);
        else
            AppendUtf8(out, b);
    }
    return out;
}

bool Utf8ToCp1252(std::string_view text, std::string& out) {
    out.clear();
    out.reserve(text.size());
    std::uint32_t cp;
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t n = DecodeOne(text, i, cp);
        if (n == 0) return false;
        i += n;
        if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) {
            out += static_cast<char>(cp);
            continue;
        }
        bool placed = false;
        for (std::size_t k = 0; k < kHigh.size(); ++k) {
            if (kHigh[k] == cp) {
                out += static_cast<char>(0x80 + k);
                placed = true;
                break;
            }
        }
        if (!placed) return false;
    }
    return true;
}

namespace {

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16LeMark = "\xFF\xFE";
constexpr std::string_view kUtf16BeMark = "\xFE\xFF";
constexpr std::uint32_t kReplacement = 0xFFFD;

std::string Utf8OrCp1252(std::string_view bytes) {
    return IsValidUtf8(bytes) ? std::string(bytes) : Cp1252ToUtf8(bytes);
}

// `count` UTF-16 code units as UTF-8; a lone surrogate becomes U+FFFD.
template <typename UnitAt>
void AppendUtf16Units(std::string& out, std::size_t count, UnitAt unitAt) {
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint32_t unit = unitAt(i);
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < count) {
            const std::uint32_t low = unitAt(i + 1);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                AppendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
                ++i;
                continue;
            }
        }
        AppendUtf8(out, unit >= 0xD800 && unit <= 0xDFFF ? kReplacement : unit);
    }
}

std::string Utf16ToUtf8(std::string_view bytes, bool littleEndian) {
    std::string out;
    out.reserve(bytes.size());
    AppendUtf16Units(out, bytes.size() / 2, [&](std::size_t i) -> std::uint32_t {
        const auto a = static_cast<unsigned char>(bytes[2 * i]);
        const auto b = static_cast<unsigned char>(bytes[2 * i + 1]);
        return littleEndian ? a | (b << 8) : (a << 8) | b;
    });
    if (bytes.size() % 2 != 0) AppendUtf8(out, kReplacement); // half a code unit
    return out;
}

} // namespace

std::string DecodePlainText(std::string_view bytes) {
    std::string text;
    if (bytes.substr(0, 3) == kUtf8Mark)
        text = Utf8OrCp1252(bytes.substr(3));
    else if (bytes.substr(0, 2) == kUtf16LeMark)
        text = Utf16ToUtf8(bytes.substr(2), true);
    else if (bytes.substr(0, 2) == kUtf16BeMark)
        text = Utf16ToUtf8(bytes.substr(2), false);
    else
        text = Utf8OrCp1252(bytes);
    DropLeadingByteOrderMarks(text);
    return text;
}

void DropLeadingByteOrderMarks(std::string& text) {
    std::size_t start = 0;
    while (std::string_view(text).substr(start, 3) == kUtf8Mark)
        start += 3;
    text.erase(0, start);
}

std::string CrLfLineEnds(std::string text) {
    std::size_t lone = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' || (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n')))
            ++lone;
        else if (text[i] == '\r')
            ++i; // CR LF
    }
    if (lone == 0) return text;
    std::string out;
    out.reserve(text.size() + lone);
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            out += "\r\n";
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        } else {
            out += c;
        }
    }
    return out;
}

long FirstOtherLineEnd(std::string_view text) {
    std::string_view first;
    long line = 1;
    for (std::size_t i = 0; i < text.size(); ++i) {
        std::string_view end;
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            end = text.substr(i++, 2);
        else if (text[i] == '\r' || text[i] == '\n')
            end = text.substr(i, 1);
        else
            continue;
        if (first.empty())
            first = end;
        else if (end != first)
            return line;
        ++line;
    }
    return 0;
}

std::size_t CharCount(std::string_view text) {
    std::size_t count = 0;
    std::uint32_t cp;
    for (std::size_t i = 0; i < text.size(); ++count) {
        const std::size_t n = DecodeOne(text, i, cp);
        i += n == 0 ? 1 : n;
    }
    return count;
}

std::size_t ByteOffsetOfChar(std::string_view text, std::size_t chars) {
    std::uint32_t cp;
    std::size_t i = 0;
    for (std::size_t k = 0; k < chars && i < text.size(); ++k) {
        const std::size_t n = DecodeOne(text, i, cp);
        i += n == 0 ? 1 : n;
    }
    return i;
}

std::string LfLineEnds(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
        out += text[i];
    }
    return out;
}

std::u16string Utf8ToUtf16(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        std::uint32_t cp = kReplacement;
        const std::size_t n = DecodeOne(text, i, cp);
        if (n == 0) cp = kReplacement; // a stray byte
        i += n == 0 ? 1 : n;
        if (cp < 0x10000) {
            out += static_cast<char16_t>(cp);
        } else {
            out += static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10));
            out += static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
        }
    }
    return out;
}

std::string Utf16ToUtf8(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    AppendUtf16Units(out, text.size(), [&](std::size_t i) -> std::uint32_t { return text[i]; });
    return out;
}

} // namespace talvex
