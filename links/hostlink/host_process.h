// Starting the host in the background, watching whether it still runs, and
// ending one that did not come up.
#pragma once

#include <QString>

namespace talvex {

struct HostStart {
    qint64 pid = 0; // 0: the program could not be started
    QString error;  // why not, when pid is 0
};

// Starts the host detached: arguments "--socket <socketPath>" (and "--visible"),
// in a session of its own, so the user's Ctrl+C and our own output never reach
// it. Standard input and output are the null device; standard error goes to
// errorFile when one is given (what the host says while it starts up), else
// to the null device too.
HostStart StartHostDetached(const QString& program, const QString& socketPath, bool visible,
                            const QString& errorFile = QString());

// True while the process exists and has not ended (a zombie counts as ended).
bool ProcessAlive(qint64 pid);

// Ends a host process we started: SIGTERM to its process group (the session
// it was started in, so a wrapper script goes with its children), SIGKILL
// when it is still there after graceMs.
void EndHostProcess(qint64 pid, int graceMs = 1000);

} // namespace talvex
