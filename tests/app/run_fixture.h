// A sandbox for one run of talvex-run: a fresh folder under /tmp holding the
// working folder, a short socket path for the host, a home and a default log
// folder of its own, so nothing a run writes lands in the build tree. The host
// a run starts is found by its socket path and ended when the sandbox goes.
#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <vector>

namespace talvex::testing {

struct RunOutcome {
    bool finished = false; // false: the run hung and was killed
    int status = -1;       // exit status when it exited normally
    QByteArray out;
    QByteArray err;
};

class Sandbox {
public:
    Sandbox();
    ~Sandbox();
    Sandbox(const Sandbox&) = delete;
    Sandbox& operator=(const Sandbox&) = delete;

    bool Ok() const { return !root_.isEmpty(); }
    const QString& Root() const { return root_; }
    QString Work() const { return root_ + QStringLiteral("/work"); }
    QString Socket() const { return root_ + QStringLiteral("/k"); }
    QString DefaultLogFolder() const { return root_ + QStringLiteral("/deflog"); }

    // The environment every run gets: the host binary, the socket, a home.
    QProcessEnvironment Environment() const;

    // Starts talvex-run in the working folder (not waiting for it).
    void Start(QProcess& process, const QStringList& args) const;
    // Runs talvex-run to its end; a run still going after `hangGuardMs` is
    // killed and reported as not finished.
    RunOutcome Run(const QStringList& args, int hangGuardMs = 20000) const;
    static RunOutcome Finish(QProcess& process, int hangGuardMs);

    // korva32 processes serving this sandbox's socket.
    std::vector<qint64> HostPids() const;
    // Waits (bounded) until no host serves this sandbox's socket; true when none does.
    bool WaitNoHost(int timeoutMs = 5000) const;
    void KillHosts() const;

    // Files in the working folder, by name relative to it.
    void WriteFile(const QString& name, const QByteArray& bytes) const;
    QByteArray ReadFile(const QString& name) const;
    bool Exists(const QString& name) const;
    // Every file below `folder`, as paths relative to it, sorted.
    static QStringList FilesBelow(const QString& folder);

private:
    QString root_;
};

// A short readable form of bytes for failure messages.
std::string Show(const QByteArray& bytes);

} // namespace talvex::testing
