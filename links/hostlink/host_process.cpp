// Detached host start.
#include "hostlink/host_process.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QThread>

#include <cerrno>
#include <csignal>
#include <sys/types.h>
#include <unistd.h>

namespace talvex {

HostStart StartHostDetached(const QString& program, const QString& socketPath, bool visible,
                            const QString& errorFile) {
    QProcess process;
    process.setProgram(program);
    QStringList args{QStringLiteral("--socket"), socketPath};
    if (visible) args << QStringLiteral("--visible");
    process.setArguments(args);
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(errorFile.isEmpty() ? QProcess::nullDevice() : errorFile);
    // Qt's detached start forks twice and calls setsid() in between, so the
    // host already runs in a new session with no controlling terminal; a child
    // process modifier would not be called on this path in Qt 6.4 anyway.
    HostStart start;
    if (!process.startDetached(&start.pid)) {
        start.pid = 0;
        // Qt names the system call ("execv: Permission denied"); the user
        // wants the file.
        QString why = process.errorString();
        const qsizetype colon = why.indexOf(QStringLiteral(": "));
        if (colon >= 0 && !why.left(colon).contains(QLatin1Char(' '))) why = why.mid(colon + 2);
        if (why.isEmpty() || why == QLatin1String("Unknown error"))
            why = QStringLiteral("could not be started");
        start.error = program + QStringLiteral(": ") + why;
    }
    return start;
}

bool ProcessAlive(qint64 pid) {
    if (pid <= 0) return false;
    if (::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH) return false;
    // Our detached children are adopted by whoever reaps orphans; until that
    // happens an ended host lingers as a zombie, which is as good as gone.
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly)) return true;
    const QByteArray text = stat.readAll();
    const qsizetype close = text.lastIndexOf(')');
    if (close < 0 || close + 2 >= text.size()) return true;
    const char state = text.at(close + 2);
    return state != 'Z' && state != 'X';
}

namespace {
void Signal(pid_t pid, int signal) {
    // The host's own group, never ours: a host started here always has one.
    const pid_t group = ::getpgid(pid);
    if (group > 1 && group != ::getpgrp() && ::kill(-group, signal) == 0) return;
    ::kill(pid, signal);
}
} // namespace

void EndHostProcess(qint64 pid, int graceMs) {
    if (!ProcessAlive(pid)) return;
    const auto p = static_cast<pid_t>(pid);
    Signal(p, SIGTERM);
    const QDeadlineTimer deadline(graceMs);
    while (ProcessAlive(pid)) {
        if (deadline.hasExpired()) {
            Signal(p, SIGKILL);
            return;
        }
        QThread::msleep(10);
    }
}

} // namespace talvex
