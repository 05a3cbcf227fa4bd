// Helpers shared by the host link tests: scratch folders, the simulator
// host's location, waiting on the event loop for a condition.
#pragma once

#include <QString>

#include <functional>
#include <string>
#include <vector>

namespace talvex::test {

// A fresh folder under /tmp (short, so socket paths fit), removed at the end.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const QString& Path() const { return path_; }
    QString File(const QString& name) const { return path_ + QLatin1Char('/') + name; }

private:
    QString path_;
};

// The simulator host built alongside the tests.
QString KorvaBinary();

// Writes a file with the given text and permission bits.
void WriteFile(const QString& path, const std::string& text, unsigned mode);

// Processes events until pred holds or timeoutMs passed; returns pred().
bool WaitUntil(const std::function<bool()>& pred, int timeoutMs = 5000);

// Starts korva32 on socketPath ourselves and waits until it listens; 0 on failure.
qint64 StartKorva(const QString& socketPath);

// True when something accepts connections on socketPath.
bool Listening(const QString& socketPath);

// Ends a process by id (SIGKILL) and waits, bounded, for it to be gone.
void KillProcess(qint64 pid);

// Ends every process in the list; for TearDown.
class ProcessReaper {
public:
    ~ProcessReaper() { KillAll(); }
    void Add(qint64 pid) {
        if (pid > 0) pids_.push_back(pid);
    }
    void KillAll();

private:
    std::vector<qint64> pids_;
};

} // namespace talvex::test
