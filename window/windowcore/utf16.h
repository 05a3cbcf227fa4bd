// UTF-8 and UTF-16, the editor's and the Windows calls' text. Malformed
// input never fails: a stray byte or a lone surrogate becomes U+FFFD.
#pragma once

#include <string>
#include <string_view>

namespace talvex {

std::u16string Utf8ToUtf16(std::string_view text);
std::string Utf16ToUtf8(std::u16string_view text);

} // namespace talvex
