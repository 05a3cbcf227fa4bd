// The size bound of the host protocol, kept in one place so that both
// simulators and the link refuse and build alike.
#pragma once

#include <cstddef>

namespace talvex::simhost {

// The longest line, without its "\n", that a peer may send, and so the longest
// reply a host may write: 64 MiB.
inline constexpr std::size_t kMaxLineBytes = std::size_t(64) * 1024 * 1024;

} // namespace talvex::simhost
