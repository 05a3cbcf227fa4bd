// Starting the host in the background and watching whether it still runs.
#pragma once

#include <QString>

namespace talvex {

// Starts the host detached: arguments "--socket <socketPath>" (and "--visible"),
// standard streams on the null device, in a session of its own, so the
// user's Ctrl+C and our own output never reach it. Returns its process id, or
// 0 when it could not be started.
qint64 StartHostDetached(const QString& program, const QString& socketPath, bool visible);

// True while the process exists and has not ended (a zombie counts as ended).
bool ProcessAlive(qint64 pid);

} // namespace talvex
