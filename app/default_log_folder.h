// Where a run's default log file goes.
#pragma once

#include <QString>

namespace talvex {

// The folder named by TALVEX_LOG_FOLDER when that is set (created when
// missing), so tests and batch jobs can keep logs out of the program's folder;
// else the program's own folder when it can be written to, else the user's
// data folder ($XDG_DATA_HOME/Talvex), created when missing.
QString DefaultLogFolder();

} // namespace talvex
