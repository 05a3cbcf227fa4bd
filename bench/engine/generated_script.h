// The generated script the list-only benchmarks run: host commands with
// brace groups, conditionals, loops and subroutine calls, `lines` lines long.
#pragma once

#include <string>

namespace talvex::bench {

inline std::string GeneratedScript(long lines) {
    std::string s;
    long written = 0;
    const auto add = [&](const std::string& line) {
        s += line;
        s += "\r\n";
        ++written;
    };
    for (long k = 0; written < lines - 4; ++k) {
        const std::string n = std::to_string(k);
        add("echo(chunk " + n + " value {" + n + "*3})");
        add("#setvars(i=0)");
        add("#while (i<2)");
        add("#setvars(i={i+1})");
        add("#if (i=1)");
        add("echo(first {i})");
        add("#else");
        add("echo(second {i+{i}})");
        add("#endif");
        add("#wend");
        add("#gosub(sub)");
    }
    add("#exit");
    add("label(sub)");
    add("echo(in sub {@ScriptName})");
    add("#return");
    return s;
}

} // namespace talvex::bench
