// Where a run's default log file goes.
#pragma once

#include <string>

namespace talvex {

// The folder named by TALVEX_LOG_FOLDER when that is set (created when
// missing), so tests and batch jobs can keep logs out of the program's folder;
// else programFolder when it can be written to; else the user's data folder,
// created when missing: $XDG_DATA_HOME/Talvex (~/.local/share/Talvex) here,
// %LOCALAPPDATA%\Talvex on Windows. Names are UTF-8.
std::string DefaultLogFolder(const std::string& programFolder);

} // namespace talvex
