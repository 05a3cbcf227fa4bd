// Detached host start.
#include "hostlink/host_process.h"

#include <QFile>
#include <QProcess>

#include <cerrno>
#include <csignal>
#include <sys/types.h>

namespace talvex {

qint64 StartHostDetached(const QString& program, const QString& socketPath, bool visible) {
    QProcess process;
    process.setProgram(program);
    QStringList args{QStringLiteral("--socket"), socketPath};
    if (visible) args << QStringLiteral("--visible");
    process.setArguments(args);
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    // Qt's detached start forks twice and calls setsid() in between, so the
    // host already runs in a new session with no controlling terminal; a child
    // process modifier would not be called on this path in Qt 6.4 anyway.
    qint64 pid = 0;
    if (!process.startDetached(&pid)) return 0;
    return pid;
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

} // namespace talvex
