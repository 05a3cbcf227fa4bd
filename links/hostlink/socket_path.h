// Where the host's local socket lives.
#pragma once

#include <QString>

#include <sys/types.h>

namespace talvex {

struct SocketPlace {
    QString path;
    // The folder of the user's own that holds `path`, to be made and checked
    // before the path is used; empty for a path the user named, or one in
    // the session's runtime folder.
    QString privateFolder;
};

// KORVA_SOCKET (a full path) when set, else "$XDG_RUNTIME_DIR/KORVA", else
// "<temp folder>/talvex-<uid>/KORVA". The values are handed in so tests need
// not touch the environment.
SocketPlace SocketPlaceFrom(const QString& korvaSocket, const QString& xdgRuntimeDir,
                            const QString& tempPath, uid_t uid);

// The same, read from this process's environment and user.
SocketPlace DefaultSocketPlace();

// The path made absolute (and clean), a relative one taken from the working
// folder: the host reads one against its own working folder, Qt's socket
// against the temp folder, so both ends use the absolute one.
QString AbsoluteSocketPath(const QString& path);

} // namespace talvex
