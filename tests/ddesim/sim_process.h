// korva32-sim.exe started for one test, under a DDE service name of its own
// so tests can run side by side; its standard output goes to a file.
#pragma once

#include <string>

namespace talvex::ddesim::test {

class SimProcess {
public:
    SimProcess();
    // A simulator for a service another one may serve already.
    explicit SimProcess(std::wstring service);
    ~SimProcess(); // kills the simulator if it still runs

    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    const std::wstring& Service() const { return service_; }
    bool Start();
    // The exit status once the simulator has ended, -1 when it did not end
    // within `ms`.
    long WaitForExit(unsigned ms);
    // What the simulator wrote to its standard output and standard error so far.
    std::string Output() const;
    std::string Errors() const;

private:
    std::wstring service_;
    std::wstring outPath_;
    std::wstring errPath_;
    void* process_ = nullptr;
};

// The simulator's program, as the build placed it.
std::wstring SimProgram();

} // namespace talvex::ddesim::test
