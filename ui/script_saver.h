// Saving a script from the window so that a failure never costs the old file:
// the new content is written beside it and replaces it only when complete.
#pragma once

#include <QString>

#include <string_view>

namespace talvex {

// Writes `text` (UTF-8, CR LF) to `path` in the script file format. The file
// keeps its permissions; a symbolic link is followed and its target written;
// a file the user may not write is refused. False with `error` set on failure,
// and the file on disk is then as it was.
bool WriteScriptFile(const QString& path, std::string_view text, QString& error);

} // namespace talvex
