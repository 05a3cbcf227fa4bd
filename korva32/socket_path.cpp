// Socket placement: one fixed name per user session, overridable so tests
// and several hosts can run side by side.
#include "korva32/socket_path.h"

#include <QDir>
#include <QFileInfo>

namespace talvex::korva {

QString defaultSocketPath() {
    const QString overridden = qEnvironmentVariable("KORVA_SOCKET");
    if (!overridden.isEmpty()) return absoluteSocketPath(overridden);
    QString folder = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (folder.isEmpty()) folder = QDir::tempPath();
    return QDir(folder).filePath(QStringLiteral("KORVA"));
}

QString absoluteSocketPath(const QString& path) {
    return QFileInfo(path).absoluteFilePath();
}

} // namespace talvex::korva
