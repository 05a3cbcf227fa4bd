// Texts on the DDE wire: CF_TEXT in Windows-1252, UTF-8 inside the host.
#pragma once

#include <string>
#include <string_view>

namespace talvex::ddesim {

// Bytes as a client sent them (up to the first NUL), as UTF-8.
std::string FromCfText(std::string_view bytes);

// A reply as CF_TEXT bytes, without the closing NUL. A reply holding a
// character the code page cannot carry is replaced whole by an "Error: ..."
// text naming that character's code point: a "?" in its stead would pass
// for a real answer.
std::string ToCfText(std::string_view text);

} // namespace talvex::ddesim
