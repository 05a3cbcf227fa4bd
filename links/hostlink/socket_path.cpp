// Socket path resolution.
#include "hostlink/socket_path.h"

#include "hostlink/socket_folder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtGlobal>

#include <unistd.h>

namespace talvex {

SocketPlace SocketPlaceFrom(const QString& korvaSocket, const QString& xdgRuntimeDir,
                            const QString& tempPath, uid_t uid) {
    if (!korvaSocket.isEmpty()) return {korvaSocket, QString()};
    if (!xdgRuntimeDir.isEmpty()) {
        if (xdgRuntimeDir.endsWith(QLatin1Char('/')))
            return {xdgRuntimeDir + QStringLiteral("KORVA"), QString()};
        return {xdgRuntimeDir + QStringLiteral("/KORVA"), QString()};
    }
    const QString folder = QFile::decodeName(QByteArray::fromStdString(
        PrivateSocketFolder(QFile::encodeName(tempPath).toStdString(), uid)));
    return {folder + QStringLiteral("/KORVA"), folder};
}

SocketPlace DefaultSocketPlace() {
    return SocketPlaceFrom(qEnvironmentVariable("KORVA_SOCKET"),
                           qEnvironmentVariable("XDG_RUNTIME_DIR"), QDir::tempPath(), ::geteuid());
}

QString AbsoluteSocketPath(const QString& path) {
    return QFileInfo(path).absoluteFilePath();
}

} // namespace talvex
