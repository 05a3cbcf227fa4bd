// What both links say: the replies a command gets when the host does not
// give one, and the messages of a link that could not be made.
#pragma once

namespace talvex {

// The reply when the host turned down an execute; its reason follows.
inline constexpr const char* kRefusedText = "Error: KORVA refused the command: ";
// The reply to a command too long for the transport to carry.
inline constexpr const char* kTooLongText = "Error: command too long for KORVA";
// The reply to a command made while Init waits for the host to come up.
inline constexpr const char* kStartingText = "Error: KORVA is still starting";
// Why the set-up failed when the host took the link but never answered on it.
inline constexpr const char* kNoAnswerReason = "the host does not answer";

// The first lines of the messages of a link that could not be made.
inline constexpr const char* kHostNotFoundMessage = "Could not find KORVA32\n";
inline constexpr const char* kHostNotRunMessage = "Could not run KORVA\n";
inline constexpr const char* kLinkFailedMessage = "Could not initialize KORVA DDE link\n";

} // namespace talvex
