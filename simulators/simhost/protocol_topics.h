// The names of the host protocol's conversations, the same over the local
// socket and over DDE: every link and simulator takes them from here.
#pragma once

namespace talvex::simhost {

// Commands and requests.
inline constexpr char kControlTopic[] = "DDE_Control";
// The response of each execute, pushed after its reply.
inline constexpr char kAsyncTopic[] = "DDE_AsyncResponse";
// Data the host pushes whenever it changes.
inline constexpr char kDynamicTopic[] = "DDE_DynamicData";
// The one item of the two pushed topics.
inline constexpr char kDataItem[] = "Data";

} // namespace talvex::simhost
