// Where a run's default log file goes.
#pragma once

#include <QString>

namespace talvex {

// The program's own folder when it can be written to, else the user's data
// folder ($XDG_DATA_HOME/Talvex), created when missing.
QString DefaultLogFolder();

} // namespace talvex
