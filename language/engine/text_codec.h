// Text encodings at the edges of the engine: script and log files on disk,
// UTF-8 in memory.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace talvex {

// True when `bytes` is well-formed UTF-8.
bool IsValidUtf8(std::string_view bytes);

// Windows-1252 bytes to UTF-8. The five bytes the code page leaves undefined
// map to the C1 control of the same number, so every byte survives a round trip.
std::string Cp1252ToUtf8(std::string_view bytes);

// UTF-8 to Windows-1252; false when some character has no place in the code
// page (the output is then incomplete and must not be used).
bool Utf8ToCp1252(std::string_view text, std::string& out);

// A plain-text file's bytes as UTF-8 text. A byte-order mark names the
// encoding and is dropped: UTF-8, UTF-16 LE or UTF-16 BE (a lone surrogate or
// an odd last byte reads as U+FFFD). Without one, or when the bytes after a
// UTF-8 mark are not valid UTF-8: UTF-8 when valid, else Windows-1252. Marks
// repeated at the start of the text are dropped too.
std::string DecodePlainText(std::string_view bytes);

// Drops every U+FEFF at the start of UTF-8 text: at the start of a file it is
// a byte-order mark, never part of a script.
void DropLeadingByteOrderMarks(std::string& text);

// `text` with every line end, CR LF, LF or a lone CR, written as CR LF.
std::string CrLfLineEnds(std::string text);

// `text` with every CR LF written as LF; a lone CR or LF stays as it is. What
// a text pane shows, and what a console prints.
std::string LfLineEnds(std::string_view text);

// The first line (1-based) whose line end is not written like the first line
// end of `text` (CR LF, LF or a lone CR); 0 when they all agree.
long FirstOtherLineEnd(std::string_view text);

// Number of characters (code points) in UTF-8 text; a stray byte counts as one.
std::size_t CharCount(std::string_view text);

// Byte offset of character number `chars` (0-based) in UTF-8 text, or
// text.size() when the text is shorter.
std::size_t ByteOffsetOfChar(std::string_view text, std::size_t chars);

// UTF-8 and UTF-16, the editors' and the Windows calls' text. Malformed input
// never fails: a stray byte or a lone surrogate becomes U+FFFD.
std::u16string Utf8ToUtf16(std::string_view text);
std::string Utf16ToUtf8(std::u16string_view text);

} // namespace talvex
