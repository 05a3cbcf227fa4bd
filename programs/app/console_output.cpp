// The console writer behind ConsoleOutput.
#include "app/console_output.h"

#include <fcntl.h>
#include <io.h>

#include <algorithm>
#include <cstdio>

namespace talvex {

namespace {

bool IsConsole(HANDLE handle) {
    DWORD mode = 0;
    return handle && handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode) != 0;
}

// The length of the longest start of `bytes` that does not end inside a
// UTF-8 sequence: the rest waits for the bytes that complete it.
std::size_t CompleteUtf8(const std::string& bytes) {
    std::size_t n = bytes.size();
    std::size_t back = 0;
    while (back < 3 && back < n && (static_cast<unsigned char>(bytes[n - 1 - back]) & 0xC0) == 0x80)
        ++back;
    if (back == n) return n;
    const unsigned char lead = static_cast<unsigned char>(bytes[n - 1 - back]);
    const std::size_t need = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    return need > back + 1 ? n - 1 - back : n;
}

} // namespace

ConsoleOutput::ConsoleOutput() {
    const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    const HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
    const bool outConsole = IsConsole(out), errConsole = IsConsole(err);
    if (!outConsole && !errConsole) return;
    HANDLE write = nullptr;
    if (!CreatePipe(&pipeRead_, &write, nullptr, 0)) {
        pipeRead_ = nullptr;
        return;
    }
    console_ = outConsole ? out : err;
    // One pipe for both: the two streams reach the console in the order
    // they were written.
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(write), _O_BINARY);
    if (fd < 0) {
        CloseHandle(write);
        CloseHandle(pipeRead_);
        pipeRead_ = nullptr;
        return;
    }
    std::fflush(stdout);
    std::fflush(stderr);
    if (outConsole) {
        savedOut_ = _dup(_fileno(stdout));
        _dup2(fd, _fileno(stdout));
    }
    if (errConsole) {
        savedErr_ = _dup(_fileno(stderr));
        _dup2(fd, _fileno(stderr));
    }
    _close(fd);
    thread_ = CreateThread(nullptr, 0, RelayMain, this, 0, nullptr);
}

void ConsoleOutput::Finish() {
    if (!pipeRead_) return;
    std::fflush(stdout);
    std::fflush(stderr);
    // Giving the streams their consoles back closes the pipe's writing ends:
    // the relay sees the end of the pipe once it has shown all before it.
    if (savedOut_ >= 0) {
        _dup2(savedOut_, _fileno(stdout));
        _close(savedOut_);
        savedOut_ = -1;
    }
    if (savedErr_ >= 0) {
        _dup2(savedErr_, _fileno(stderr));
        _close(savedErr_);
        savedErr_ = -1;
    }
    if (thread_) {
        // Bounded: a copy of the pipe's writing end held elsewhere would keep
        // the end from coming.
        WaitForSingleObject(thread_, 2000);
        CloseHandle(thread_);
        thread_ = nullptr;
    }
    CloseHandle(pipeRead_);
    pipeRead_ = nullptr;
}

DWORD WINAPI ConsoleOutput::RelayMain(void* self) {
    static_cast<ConsoleOutput*>(self)->Relay();
    return 0;
}

void ConsoleOutput::Relay() {
    std::string pending;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(pipeRead_, buffer, sizeof buffer, &got, nullptr) && got > 0) {
        pending.append(buffer, got);
        Show(pending, false);
    }
    Show(pending, true);
}

void ConsoleOutput::Show(std::string& pending, bool last) {
    const std::size_t whole = last ? pending.size() : CompleteUtf8(pending);
    if (whole == 0) return;
    // Invalid bytes become U+FFFD rather than stopping the output.
    const int n =
        MultiByteToWideChar(CP_UTF8, 0, pending.data(), static_cast<int>(whole), nullptr, 0);
    std::wstring text(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, pending.data(), static_cast<int>(whole), text.data(), n);
    pending.erase(0, whole);
    for (std::size_t done = 0; done < text.size();) {
        DWORD wrote = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(text.size() - done, 8192));
        if (!WriteConsoleW(console_, text.data() + done, chunk, &wrote, nullptr) || wrote == 0)
            return;
        done += wrote;
    }
}

} // namespace talvex
