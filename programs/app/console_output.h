// Standard output and standard error in a console window: the runner writes
// UTF-8 bytes, which a console would show in its own code page ("±" as
// "┬▒"). A stream that is a console is routed through a pipe to a thread
// that writes its text with WriteConsoleW; a stream redirected to a file or
// a pipe keeps the bytes exactly as written. The runner's writers stay plain
// FILE* writers, the same on every platform.
#pragma once

#include "ddelink/win32.h"

#include <string>

namespace talvex {

class ConsoleOutput {
public:
    // Routes the streams that are consoles; does nothing for the others.
    ConsoleOutput();
    ~ConsoleOutput() { Finish(); }
    ConsoleOutput(const ConsoleOutput&) = delete;
    ConsoleOutput& operator=(const ConsoleOutput&) = delete;

    // Writes out everything written so far and ends the routing; call before
    // the process exits (std::_Exit runs no destructors).
    void Finish();

private:
    static DWORD WINAPI RelayMain(void* self);
    void Relay();
    void Show(std::string& pending, bool last);

    HANDLE console_ = nullptr; // where the text goes
    HANDLE pipeRead_ = nullptr;
    HANDLE thread_ = nullptr;
    int savedOut_ = -1, savedErr_ = -1; // the consoles' own descriptors
};

} // namespace talvex
