// Where the host's socket lives when no path is given on the command line.
#pragma once

#include "hostlink/socket_path.h"

#include <QString>

namespace talvex::korva {

// Where the link looks for it: KORVA_SOCKET when set; else "KORVA" in
// $XDG_RUNTIME_DIR, else in a folder of the user's own in the temp folder.
SocketPlace defaultSocketPlace();

// A relative path is taken from the working folder (Qt would otherwise put a
// bare name into the temp folder).
QString absoluteSocketPath(const QString& path);

} // namespace talvex::korva
