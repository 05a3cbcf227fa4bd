// Starts a program and, once its standard output holds a given text, delivers
// a console control event to it the way Windows itself does: a thread of the
// target process starts at kernelbase's CtrlRoutine with the event's number,
// which runs the handlers SetConsoleCtrlHandler installed. Wine cannot
// generate Ctrl+Break, close, logoff or shutdown events any other way.
// Usage: console-event-launcher EVENT OUT ERR READY PROGRAM [ARGS...]
//   EVENT  c, break, close, logoff or shutdown
//   OUT, ERR  files for the program's standard output and error
//   READY  the text on standard output after which the event goes
// Exits with the program's exit status; 90-99 when the launch itself failed.
#include <windows.h>

#include <cwchar>
#include <fstream>
#include <sstream>
#include <string>

namespace {

HANDLE CreateInheritable(const wchar_t* path) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    return CreateFileW(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                       CREATE_ALWAYS, 0, nullptr);
}

bool Holds(const wchar_t* path, const std::string& text) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str().find(text) != std::string::npos;
}

std::string Narrow(const wchar_t* text) {
    const int n = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(n > 0 ? n - 1 : 0), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), n, nullptr, nullptr);
    return out;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 6) return 90;
    const std::wstring name = argv[1];
    DWORD event = 0;
    if (name == L"c") {
        event = CTRL_C_EVENT;
    } else if (name == L"break") {
        event = CTRL_BREAK_EVENT;
    } else if (name == L"close") {
        event = CTRL_CLOSE_EVENT;
    } else if (name == L"logoff") {
        event = CTRL_LOGOFF_EVENT;
    } else if (name == L"shutdown") {
        event = CTRL_SHUTDOWN_EVENT;
    } else {
        return 91;
    }
    const std::string ready = Narrow(argv[4]);

    std::wstring commandLine;
    for (int i = 5; i < argc; ++i) {
        if (i > 5) commandLine += L' ';
        commandLine += L'"' + std::wstring(argv[i]) + L'"';
    }
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    si.hStdOutput = CreateInheritable(argv[2]);
    si.hStdError = CreateInheritable(argv[3]);
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                        &si, &pi))
        return 92;
    CloseHandle(si.hStdOutput);
    CloseHandle(si.hStdError);

    bool seen = false;
    for (int i = 0; i < 600 && !seen; ++i) {
        seen = Holds(argv[2], ready);
        if (!seen && WaitForSingleObject(pi.hProcess, 50) == WAIT_OBJECT_0) return 93;
    }
    if (!seen) {
        TerminateProcess(pi.hProcess, 99);
        return 94;
    }
    Sleep(300); // let the command reach the host

    // Through void*: GetProcAddress's type says nothing of the routine's own.
    const auto routine = reinterpret_cast<LPTHREAD_START_ROUTINE>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"kernelbase.dll"), "CtrlRoutine")));
    if (!routine) return 95;
    HANDLE thread =
        CreateRemoteThread(pi.hProcess, nullptr, 0, routine,
                           reinterpret_cast<void*>(static_cast<ULONG_PTR>(event)), 0, nullptr);
    if (!thread) return 96;
    CloseHandle(thread);

    if (WaitForSingleObject(pi.hProcess, 30000) != WAIT_OBJECT_0) {
        TerminateProcess(pi.hProcess, 99);
        return 97;
    }
    DWORD status = 98;
    GetExitCodeProcess(pi.hProcess, &status);
    return static_cast<int>(status);
}
