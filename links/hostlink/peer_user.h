// Which user runs the program at the other end of the host's socket. Only a
// host and a client of the same user may talk: a host answers with
// directives the client carries out, and a client's commands drive the
// user's instrument.
#pragma once

#include <sys/types.h>

#include <functional>
#include <optional>
#include <string>

namespace talvex {

// The user id of the peer of a connected Unix socket; nullopt (errno set)
// when the system cannot tell.
std::optional<uid_t> PeerUserId(int socketFd);

struct PeerUserCheck {
    // The user a peer must run as: the one this process runs as.
    uid_t user;
    // How a peer's user id is read; tests put in another user's.
    std::function<std::optional<uid_t>(int socketFd)> peerUserOf;

    PeerUserCheck();

    // Empty when the peer on `socketFd` runs as `user`; else why not, to
    // follow a word for the peer: "runs as user 1001, not as user 1000".
    std::string Refusal(int socketFd) const;
};

} // namespace talvex
