// Starts a korva32 process on a socket in a fresh temporary folder and makes
// sure it is gone again, also when a test fails half-way.
#pragma once

#include <gtest/gtest.h>

#include <sys/types.h>

#include <string>
#include <vector>

namespace talvex::korva::test {

// A host process started by a test; killed by pid when it goes out of scope.
class HostProcess {
public:
    HostProcess() = default;
    HostProcess(const HostProcess&) = delete;
    HostProcess& operator=(const HostProcess&) = delete;
    ~HostProcess() { Kill(); }

    // Starts korva32 with `args`; its standard output goes to `stdoutFile`,
    // its standard error to `stderrFile` when one is named.
    bool Start(const std::vector<std::string>& args, const std::string& stdoutFile,
               const std::string& stderrFile = {});
    // Waits (bounded) for the process to end; false if it did not. `status`
    // gets the exit status, or -1 when a signal ended it.
    bool WaitForExit(int* status);
    bool Running();
    void Kill();
    pid_t Pid() const { return pid_; }

private:
    pid_t pid_ = -1;
};

// True once something accepts connections on `path` (bounded wait).
bool WaitForSocket(const std::string& path);

// Resident memory of a process in KiB, from /proc/PID/status; -1 when unreadable.
// `field` "VmHWM:" gives the most it has held so far.
long ResidentKiB(pid_t pid, const char* field = "VmRSS:");

std::string ReadFile(const std::string& path);

// Gives every test its own folder, socket path and running host.
class HostTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Starts one more host on `socketPath` with the given extra arguments.
    bool StartHost(HostProcess& process, const std::vector<std::string>& extraArgs = {});

    std::string folder;
    std::string socketPath;
    std::string stdoutPath;
    HostProcess host;
};

} // namespace talvex::korva::test
