// Conversions at the DDE edge, on the engine's Windows-1252 codec.
#include "ddesim/cf_text.h"

#include "engine/text_codec.h"

#include <cstdio>

namespace talvex::ddesim {

std::string FromCfText(std::string_view bytes) {
    const std::size_t end = bytes.find('\0');
    if (end != std::string_view::npos) bytes = bytes.substr(0, end);
    return Cp1252ToUtf8(bytes);
}

std::string ToCfText(std::string_view text) {
    std::string bytes;
    if (Utf8ToCp1252(text, bytes)) return bytes;
    // The first character that does not fit, by its code point.
    std::size_t at = 0;
    for (; at < text.size(); at += ByteOffsetOfChar(text.substr(at), 1)) {
        std::string one;
        if (!Utf8ToCp1252(text.substr(at, ByteOffsetOfChar(text.substr(at), 1)), one)) break;
    }
    const std::size_t length = ByteOffsetOfChar(text.substr(at), 1);
    unsigned long codePoint = 0;
    const std::string_view bad = text.substr(at, length);
    if (!bad.empty()) {
        const auto lead = static_cast<unsigned char>(bad[0]);
        codePoint = length == 1 ? lead : lead & (0x7Fu >> length);
        for (std::size_t i = 1; i < bad.size(); ++i)
            codePoint = (codePoint << 6) | (static_cast<unsigned char>(bad[i]) & 0x3Fu);
    }
    char name[16];
    std::snprintf(name, sizeof name, "U+%04lX", codePoint);
    return std::string("Error: the reply holds a character that Windows-1252 cannot carry: ") +
           name;
}

} // namespace talvex::ddesim
