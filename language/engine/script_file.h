// Script files on disk: the stored format, plain-text scripts, and the path
// helpers the runner and the editor share.
#pragma once

#include <string>
#include <string_view>

namespace talvex {

// What the loader read last.
struct LoadedScriptFile {
    std::string text;  // UTF-8, lines separated by CR LF
    long length = 0;   // in characters
    bool ok = false;   // false: nothing could be read; `error` says why
    std::string error; // the system's description of the failure
    // A plain-text file whose line ends are not all written alike: the first
    // line whose end differs from the first line's; 0 when they agree.
    long otherLineEndLine = 0;
};

// Reads a script: the stored format (a text record of one byte per character
// in Windows-1252, its length field repaired on disk when another editor
// changed the text; a text longer than the field can tell loads whole and its
// header is left alone), or plain text as editors write it (a byte-order mark
// names UTF-8 or UTF-16 and is dropped; without one, UTF-8 when valid, else
// Windows-1252; CR LF, LF and a lone CR all end a line and load as CR LF).
// Characters of code 0 are dropped. A missing file is not created. A
// plain-text file is never written to.
LoadedScriptFile LoadScriptFile(const std::string& path);

// Reads a script as LoadScriptFile does, but never writes to it: a stored
// file's stale length field is left as it is.
LoadedScriptFile ReadScriptFile(const std::string& path);

// Texts up to this many characters that fit Windows-1252 are saved in the
// stored format, and longer ones that fit it and hold a lone CR or LF (which
// a plain-text file would read as a line end); anything else is saved as
// plain UTF-8 text.
inline constexpr long kStoredFormatLimit = 32766;

// Writes `text` (UTF-8, CR LF) to `path` in the script file format, replacing
// the file as a whole (ReplaceFileContent): a symbolic link is followed, the
// file keeps its permissions, a file the user may not write is refused, and a
// failed save leaves the old file as it was. False with `error` set on failure.
bool SaveScriptFile(const std::string& path, std::string_view text, std::string& error);

// The bytes a save writes for `text`: the stored format when it fits, else
// the text itself as plain UTF-8.
std::string ScriptFileBytes(std::string_view text);

// Path helpers; "/" separates folders, and on Windows "\" too (see
// macromath/path_syntax.h). File names are UTF-8.
std::string FileNameOf(std::string_view path); // after the last separator (or drive)
std::string FolderOf(std::string_view path);   // up to and including the last separator
std::string BaseNameOf(std::string_view path); // FileNameOf cut before its first "."
// The drive and folders without the trailing separator: "/a/b/run.tvx" gives
// "/a/b", "/run.tvx" gives "/"; on Windows "C:\a\b\run.tvx" gives "C:\a\b"
// and "C:\run.tvx" gives "C:".
std::string DirectoryOf(std::string_view path);

// `name` as the system opens it: names that are not absolute (IsAbsolutePath)
// are taken relative to `baseFolder` (the folder of the script that names
// them; empty for the working directory).
std::string ResolvePath(std::string_view baseFolder, std::string_view name);

} // namespace talvex
