#include "app/default_log_folder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace talvex {

QString DefaultLogFolder() {
    const QString chosen = qEnvironmentVariable("TALVEX_LOG_FOLDER");
    if (!chosen.isEmpty()) {
        QDir().mkpath(chosen);
        return chosen;
    }
    const QString own = QCoreApplication::applicationDirPath();
    if (QFileInfo(own).isWritable()) return own;
    const QString data =
        QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + "/Talvex";
    QDir().mkpath(data);
    return data;
}

} // namespace talvex
