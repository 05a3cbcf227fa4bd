// File names as the window compares and shows them. Names are UTF-8; they
// reach the system as wide names where the system has them.
#pragma once

#include <string>

namespace talvex {

// True when something (a file or a folder) is at `path`.
bool PathExists(const std::string& path);

// True when `a` and `b` name the same file, links followed where they lead
// to one; false when either is empty.
bool SameFile(const std::string& a, const std::string& b);

// `path` with "." and ".." taken out.
std::string NormalPath(const std::string& path);

} // namespace talvex
