// Starts and ends the simulator of one test.
#include "tests/ddesim/sim_process.h"

#include <windows.h>

#include <atomic>
#include <fstream>
#include <sstream>
#include <utility>

namespace talvex::ddesim::test {

namespace {

std::atomic<int> gStarted{0};

std::wstring Widen(const std::string& text) {
    return std::wstring(text.begin(), text.end()); // ASCII paths and names only
}

std::string ReadAll(const std::wstring& path) {
    std::ifstream in(path.c_str(), std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

HANDLE InheritableFile(const std::wstring& path) {
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    return CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                       CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
}

} // namespace

std::wstring SimProgram() {
    // The build names it by its Unix path when it runs the tests under Wine;
    // Wine's drive Z: is the Unix root.
    std::wstring path = Widen(KORVA32_SIM_EXE);
    const bool unixPath = !path.empty() && path[0] == L'/';
    for (wchar_t& c : path)
        if (c == L'/') c = L'\\';
    return unixPath ? L"Z:" + path : path;
}

SimProcess::SimProcess()
    : SimProcess(L"KORVA_TEST_" + std::to_wstring(GetCurrentProcessId()) + L"_" +
                 std::to_wstring(gStarted + 1)) {}

SimProcess::SimProcess(std::wstring service) : service_(std::move(service)) {
    // Files named by the process too: a rival serves the same service.
    const std::wstring stem = service_ + L"_" + std::to_wstring(++gStarted);
    wchar_t temp[MAX_PATH + 1];
    GetTempPathW(MAX_PATH + 1, temp);
    outPath_ = std::wstring(temp) + stem + L".out";
    errPath_ = std::wstring(temp) + stem + L".err";
}

SimProcess::~SimProcess() {
    if (process_) {
        if (WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) {
            TerminateProcess(process_, 9);
            WaitForSingleObject(process_, 5000);
        }
        CloseHandle(process_);
    }
    DeleteFileW(outPath_.c_str());
    DeleteFileW(errPath_.c_str());
}

bool SimProcess::Start() {
    HANDLE out = InheritableFile(outPath_);
    HANDLE err = InheritableFile(errPath_);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = out;
    startup.hStdError = err;
    SetEnvironmentVariableW(L"KORVA_SERVICE", service_.c_str());
    const std::wstring program = SimProgram();
    std::wstring commandLine = L"\"" + program + L"\" --visible";
    PROCESS_INFORMATION info{};
    const BOOL started = CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE,
                                        0, nullptr, nullptr, &startup, &info);
    SetEnvironmentVariableW(L"KORVA_SERVICE", nullptr);
    CloseHandle(out);
    CloseHandle(err);
    if (!started) return false;
    CloseHandle(info.hThread);
    process_ = info.hProcess;
    return true;
}

long SimProcess::WaitForExit(unsigned ms) {
    if (!process_ || WaitForSingleObject(process_, ms) != WAIT_OBJECT_0) return -1;
    DWORD status = 0;
    GetExitCodeProcess(process_, &status);
    return static_cast<long>(status);
}

std::string SimProcess::Output() const {
    return ReadAll(outPath_);
}

std::string SimProcess::Errors() const {
    return ReadAll(errPath_);
}

} // namespace talvex::ddesim::test
