// Safe saving with QSaveFile.
#include "ui/script_saver.h"

#include "engine/script_file.h"

#include <QFileInfo>
#include <QSaveFile>

namespace talvex {

namespace {

// The file a path finally names, symbolic links followed (a bounded number
// of times, so a loop of links ends).
QString FinalTarget(const QString& path) {
    QString target = path;
    for (int hops = 0; hops < 40; ++hops) {
        const QFileInfo info(target);
        if (!info.isSymLink()) break;
        target = info.symLinkTarget();
    }
    return target;
}

} // namespace

bool WriteScriptFile(const QString& path, std::string_view text, QString& error) {
    const QString target = FinalTarget(path);
    const QFileInfo existing(target);
    if (existing.exists() && (!existing.isFile() || !existing.isWritable())) {
        error = existing.isFile() ? QStringLiteral("Permission denied")
                                  : QStringLiteral("Not a regular file");
        return false;
    }
    const QFileDevice::Permissions permissions =
        existing.exists() ? existing.permissions() : QFileDevice::Permissions();

    QSaveFile file(target);
    if (!file.open(QIODevice::WriteOnly)) {
        error = file.errorString();
        return false;
    }
    const std::string bytes = ScriptFileBytes(text);
    if (file.write(bytes.data(), static_cast<qint64>(bytes.size())) !=
        static_cast<qint64>(bytes.size())) {
        error = file.errorString();
        file.cancelWriting();
        return false;
    }
    if (existing.exists()) file.setPermissions(permissions);
    if (!file.commit()) {
        error = file.errorString();
        return false;
    }
    return true;
}

} // namespace talvex
