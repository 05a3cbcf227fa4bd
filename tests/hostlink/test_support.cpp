// Host link test helpers.
#include "tests/hostlink/test_support.h"

#include "hostlink/host_process.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QLocalSocket>
#include <QProcess>
#include <QThread>

#include <csignal>
#include <cstdlib>
#include <sys/stat.h>

namespace talvex::test {

TempDir::TempDir() {
    char templ[] = "/tmp/hlt.XXXXXX";
    const char* made = ::mkdtemp(templ);
    path_ = made ? QString::fromLocal8Bit(made) : QString();
}

TempDir::~TempDir() {
    if (!path_.isEmpty()) QDir(path_).removeRecursively();
}

QString KorvaBinary() {
    return QStringLiteral(KORVA32_BIN);
}

void WriteFile(const QString& path, const std::string& text, unsigned mode) {
    QFile f(path);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        f.write(text.data(), qint64(text.size()));
        f.close();
    }
    ::chmod(QFile::encodeName(path).constData(), mode);
}

bool WaitUntil(const std::function<bool()>& pred, int timeoutMs) {
    const QDeadlineTimer deadline(timeoutMs);
    while (!pred()) {
        if (deadline.hasExpired()) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(2);
    }
    return true;
}

bool Listening(const QString& socketPath) {
    QLocalSocket probe;
    probe.connectToServer(socketPath);
    const bool ok = probe.waitForConnected(1000);
    probe.abort();
    return ok;
}

qint64 StartKorva(const QString& socketPath) {
    qint64 pid = 0;
    QProcess p;
    p.setProgram(KorvaBinary());
    p.setArguments({QStringLiteral("--socket"), socketPath});
    p.setStandardOutputFile(QProcess::nullDevice());
    if (!p.startDetached(&pid)) return 0;
    if (!WaitUntil([&] { return Listening(socketPath); }, 10000)) {
        KillProcess(pid);
        return 0;
    }
    return pid;
}

void KillProcess(qint64 pid) {
    if (pid <= 0) return;
    ::kill(static_cast<pid_t>(pid), SIGKILL);
    WaitUntil([pid] { return !ProcessAlive(pid); }, 3000);
}

void ProcessReaper::KillAll() {
    for (qint64 pid : pids_)
        KillProcess(pid);
    pids_.clear();
}

} // namespace talvex::test
