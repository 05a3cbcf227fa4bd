// Host discovery.
#include "hostlink/host_search.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QtGlobal>

namespace talvex {

namespace {
const QString kHostName = QStringLiteral("korva32");

QString Join(const QString& folder, const QString& name) {
    if (folder.endsWith(QLatin1Char('/'))) return folder + name;
    return folder + QLatin1Char('/') + name;
}
} // namespace

QStringList HostSearch::DefaultFixedPlaces() {
    return {QStringLiteral("/korva32/korva32"), QStringLiteral("/korva/korva32"),
            QStringLiteral("/opt/korva32/korva32"), QStringLiteral("/usr/local/bin/korva32")};
}

HostSearch HostSearch::FromEnvironment() {
    HostSearch s;
    s.envKorva32 = qEnvironmentVariable("KORVA32");
    s.ownFolder = QCoreApplication::applicationDirPath();
    s.fixed = DefaultFixedPlaces();
    s.pathVar = qEnvironmentVariable("PATH");
    return s;
}

bool IsUsableHost(const QString& path) {
    if (path.isEmpty()) return false;
    const QFileInfo info(path);
    return info.exists() && info.isFile() && info.isExecutable() && info.size() >= 1;
}

QString HostSearchFailure(const HostSearch& search) {
    QString named;
    if (!search.envKorva32.isEmpty()) {
        const QFileInfo info(search.envKorva32);
        const char* why = !info.exists()         ? "no such file"
                          : !info.isFile()       ? "not a file"
                          : !info.isExecutable() ? "not executable"
                                                 : "an empty file";
        named = search.envKorva32 + QStringLiteral(": ") + QLatin1String(why);
    }
    // Only the named file was to be tried (a host given on the command line).
    if (search.ownFolder.isEmpty() && search.fixed.isEmpty() && search.pathVar.isEmpty() &&
        !named.isEmpty())
        return named;
    const QString others = QStringLiteral("no executable korva32 beside the program, in the usual "
                                          "places or on PATH");
    return named.isEmpty() ? others : named + QStringLiteral("; ") + others;
}

QString FindHost(const HostSearch& search) {
    if (IsUsableHost(search.envKorva32)) return search.envKorva32;

    QStringList candidates;
    if (!search.ownFolder.isEmpty()) {
        candidates << Join(search.ownFolder, kHostName);
        // The parent is the own folder without its last component; a folder
        // without a separator is its own parent.
        QString parent = search.ownFolder;
        while (parent.size() > 1 && parent.endsWith(QLatin1Char('/')))
            parent.chop(1);
        const qsizetype slash = parent.lastIndexOf(QLatin1Char('/'));
        if (slash > 0) {
            parent = parent.left(slash);
        } else if (slash == 0) {
            parent = QStringLiteral("/");
        }
        candidates << Join(parent, kHostName);
    }
    candidates << search.fixed;
    for (const QString& dir : search.pathVar.split(QLatin1Char(':'), Qt::SkipEmptyParts))
        candidates << Join(dir, kHostName);

    for (const QString& c : candidates)
        if (IsUsableHost(c)) return c;
    return QString();
}

} // namespace talvex
