// What `talvex --help` prints, on Linux and on Windows alike.
#pragma once

namespace talvex {

inline constexpr const char* kWindowUsage =
    "usage: talvex [FILE]\n"
    "\n"
    "Opens the Talvex window, linked to the host korva32 (started when it does\n"
    "not run). FILE, a script (.tvx), is opened at start-up as File > Open would.\n"
    "\n"
    "  --version    print the version and exit\n"
    "  --help       print this text and exit\n"
    "\n"
    "Headless runs: talvex-run --help.\n";

} // namespace talvex
