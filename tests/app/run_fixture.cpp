#include "tests/app/run_fixture.h"

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>

#include <csignal>
#include <cstdlib>
#include <string>

using namespace Qt::StringLiterals;

namespace talvex::testing {

Sandbox::Sandbox() {
    // Short on purpose: the socket path must stay well under 108 bytes.
    char pattern[] = "/tmp/tvr-XXXXXX";
    if (const char* made = ::mkdtemp(pattern)) {
        root_ = QString::fromLocal8Bit(made);
        QDir d(root_);
        d.mkpath(u"work"_s);
        d.mkpath(u"home/.local/share"_s);
        d.mkpath(u"deflog"_s);
    }
}

Sandbox::~Sandbox() {
    if (root_.isEmpty()) return;
    KillHosts();
    QDir(root_).removeRecursively();
}

QProcessEnvironment Sandbox::Environment() const {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"KORVA32"_s, QStringLiteral(KORVA32_BIN));
    env.insert(u"KORVA_SOCKET"_s, Socket());
    env.insert(u"HOME"_s, root_ + u"/home"_s);
    env.insert(u"XDG_DATA_HOME"_s, root_ + u"/home/.local/share"_s);
    env.insert(u"TALVEX_LOG_FOLDER"_s, DefaultLogFolder());
    env.insert(u"LC_ALL"_s, u"C.UTF-8"_s);
    env.insert(u"LANG"_s, u"C.UTF-8"_s);
    return env;
}

void Sandbox::Start(QProcess& process, const QStringList& args) const {
    process.setProcessEnvironment(Environment());
    process.setWorkingDirectory(Work());
    process.setProgram(QStringLiteral(TALVEX_RUN_BIN));
    process.setArguments(args);
    process.start();
    process.waitForStarted(10000);
}

RunOutcome Sandbox::Finish(QProcess& process, int hangGuardMs) {
    RunOutcome r;
    r.finished = process.waitForFinished(hangGuardMs);
    if (!r.finished) {
        process.kill();
        process.waitForFinished(5000);
    }
    r.out = process.readAllStandardOutput();
    r.err = process.readAllStandardError();
    if (r.finished && process.exitStatus() == QProcess::NormalExit) r.status = process.exitCode();
    return r;
}

RunOutcome Sandbox::Run(const QStringList& args, int hangGuardMs) const {
    QProcess p;
    Start(p, args);
    return Finish(p, hangGuardMs);
}

std::vector<qint64> Sandbox::HostPids() const {
    std::vector<qint64> pids;
    const QByteArray socket = Socket().toLocal8Bit();
    const QStringList entries = QDir(u"/proc"_s).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& e : entries) {
        bool numeric = false;
        const qint64 pid = e.toLongLong(&numeric);
        if (!numeric) continue;
        QFile f(u"/proc/"_s + e + u"/cmdline"_s);
        if (!f.open(QIODevice::ReadOnly)) continue;
        const QList<QByteArray> argv = f.readAll().split('\0');
        if (argv.isEmpty() || !argv.front().endsWith("korva32")) continue;
        if (argv.contains(socket)) pids.push_back(pid);
    }
    return pids;
}

bool Sandbox::WaitNoHost(int timeoutMs) const {
    QElapsedTimer t;
    t.start();
    while (!HostPids().empty()) {
        if (t.elapsed() > timeoutMs) return false;
        QThread::msleep(20);
    }
    return true;
}

void Sandbox::KillHosts() const {
    for (qint64 pid : HostPids())
        ::kill(static_cast<pid_t>(pid), SIGKILL);
}

void Sandbox::WriteFile(const QString& name, const QByteArray& bytes) const {
    const QString path = Work() + u"/"_s + name;
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate)) f.write(bytes);
}

QByteArray Sandbox::ReadFile(const QString& name) const {
    QFile f(Work() + u"/"_s + name);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool Sandbox::Exists(const QString& name) const {
    return QFileInfo::exists(Work() + u"/"_s + name);
}

QStringList Sandbox::FilesBelow(const QString& folder) {
    QStringList files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    const QDir base(folder);
    while (it.hasNext())
        files << base.relativeFilePath(it.next());
    files.sort();
    return files;
}

std::string Show(const QByteArray& bytes) {
    std::string s;
    for (char c : bytes) {
        if (c == '\r')
            s += "\\r";
        else if (c == '\n')
            s += "\\n\n";
        else
            s += c;
    }
    return s;
}

} // namespace talvex::testing
