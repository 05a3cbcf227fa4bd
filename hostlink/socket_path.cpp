// Socket path resolution.
#include "hostlink/socket_path.h"

#include <QDir>
#include <QtGlobal>

namespace talvex {

QString SocketPathFrom(const QString& korvaSocket, const QString& xdgRuntimeDir,
                       const QString& tempPath) {
    if (!korvaSocket.isEmpty()) return korvaSocket;
    const QString folder = xdgRuntimeDir.isEmpty() ? tempPath : xdgRuntimeDir;
    if (folder.endsWith(QLatin1Char('/'))) return folder + QStringLiteral("KORVA");
    return folder + QStringLiteral("/KORVA");
}

QString DefaultSocketPath() {
    return SocketPathFrom(qEnvironmentVariable("KORVA_SOCKET"),
                          qEnvironmentVariable("XDG_RUNTIME_DIR"), QDir::tempPath());
}

} // namespace talvex
