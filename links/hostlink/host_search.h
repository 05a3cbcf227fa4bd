// Finding the host executable: where to look and in which order.
#pragma once

#include <QString>
#include <QStringList>

namespace talvex {

struct HostSearch {
    QString envKorva32; // value of KORVA32: an executable file wins outright
    QString ownFolder;  // the folder this program runs from
    QStringList fixed;  // the usual install places, tried after own and parent
    QString pathVar;    // value of PATH, tried last

    // The places of a real installation, read from this process.
    static HostSearch FromEnvironment();
    static QStringList DefaultFixedPlaces();
};

// The first usable host executable in search order, or "" when there is none.
// Usable: an existing regular file (links followed), executable, at least 1 byte.
QString FindHost(const HostSearch& search);

bool IsUsableHost(const QString& path);

// Why FindHost found nothing, in one line for the user.
QString HostSearchFailure(const HostSearch& search);

} // namespace talvex
