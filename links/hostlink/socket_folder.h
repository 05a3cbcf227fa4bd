// The folder of the user's own that holds the default socket when the
// session has no runtime folder: in a shared temp folder anyone could put a
// socket where the link looks for its host.
#pragma once

#include <sys/types.h>

#include <string>

namespace talvex {

// "<tempFolder>/talvex-<uid>".
std::string PrivateSocketFolder(const std::string& tempFolder, uid_t uid);

// Makes `folder` with mode 0700 when it is missing, then checks that it is
// the user's alone: a folder (not a link to one), owned by `uid`, that no
// one else may write to. Empty when it may hold the socket, else the reason.
std::string PrepareSocketFolder(const std::string& folder, uid_t uid);

} // namespace talvex
