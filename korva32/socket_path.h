// Where the host's socket lives when no path is given on the command line.
#pragma once

#include <QString>

namespace talvex::korva {

// KORVA_SOCKET when set; else "KORVA" in $XDG_RUNTIME_DIR, else in the temp folder.
QString defaultSocketPath();

// A relative path is taken from the working folder (Qt would otherwise put a
// bare name into the temp folder).
QString absoluteSocketPath(const QString& path);

} // namespace talvex::korva
