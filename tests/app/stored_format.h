// Script files in the stored format, built by hand so the tests do not take
// the format from the code they check.
#pragma once

#include <string>
#include <string_view>

namespace talvex::testing {

// The bytes of a stored-format file holding `cp1252`: the record header (8, 0),
// the text's length as two bytes, low byte first, then the text itself.
inline std::string StoredFormat(std::string_view cp1252) {
    std::string bytes("\x08\x00", 2);
    bytes += static_cast<char>(cp1252.size() & 0xFF);
    bytes += static_cast<char>(cp1252.size() >> 8);
    bytes += cp1252;
    return bytes;
}

} // namespace talvex::testing
