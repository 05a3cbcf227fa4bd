// Peer credentials of a Unix socket.
#include "hostlink/peer_user.h"

#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace talvex {

std::optional<uid_t> PeerUserId(int socketFd) {
    ucred credentials{};
    socklen_t size = sizeof credentials;
    if (::getsockopt(socketFd, SOL_SOCKET, SO_PEERCRED, &credentials, &size) != 0 ||
        size != sizeof credentials)
        return std::nullopt;
    return credentials.uid;
}

PeerUserCheck::PeerUserCheck() : user(::geteuid()), peerUserOf(PeerUserId) {}

std::string PeerUserCheck::Refusal(int socketFd) const {
    errno = 0;
    const std::optional<uid_t> peer = peerUserOf(socketFd);
    if (!peer) {
        const int error = errno;
        return "runs as a user the system cannot tell" +
               (error != 0 ? std::string(" (") + std::strerror(error) + ")" : std::string());
    }
    if (*peer == user) return std::string();
    return "runs as user " + std::to_string(*peer) + ", not as user " + std::to_string(user);
}

} // namespace talvex
