// Where the host's local socket lives.
#pragma once

#include <QString>

namespace talvex {

// KORVA_SOCKET (a full path) when set, else "$XDG_RUNTIME_DIR/KORVA", else
// "<temp folder>/KORVA". The values are handed in so tests need not touch the
// environment.
QString SocketPathFrom(const QString& korvaSocket, const QString& xdgRuntimeDir,
                       const QString& tempPath);

// The same, read from this process's environment.
QString DefaultSocketPath();

} // namespace talvex
