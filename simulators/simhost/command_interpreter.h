// The simulator's command set: what each command answers and what it does.
// Commands and answers are UTF-8; each host converts at its own edge.
#pragma once

#include "simhost/protocol_bounds.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <random>
#include <string>
#include <string_view>
#include <unordered_map>

namespace talvex::simhost {

// How a command reached the host: executes answer later on the asynchronous
// topic, requests answer in their reply and so must never keep the host busy.
enum class CommandWay { Execute, Request };

struct CommandOutcome {
    enum class Kind {
        Answer,     // `text` is the response, ready now
        Wait,       // `text` is the response, due after `waitMs`
        Silent,     // no response until the client's next hard cancel
        HardCancel, // `text` is the response; the client's pending work ends "cancelled"
        Exit,       // the host ends; `text` answers a request
    };
    Kind kind = Kind::Answer;
    std::string text;
    int waitMs = 0;
};

// What a reply text costs where it leaves the host, and how much it may cost:
// a reply is checked against this while it is built, never after.
struct ReplyBound {
    // Bytes `text` takes on the wire; unset means its UTF-8 bytes.
    std::function<std::size_t(std::string_view text)> bytesOf;
    // The most a reply text may take: the line cap less what surrounds the text.
    std::size_t maxBytes = kMaxLineBytes;
};

class CommandInterpreter {
public:
    using TextSink = std::function<void(const std::string&)>;

    // The first measure() values of every host process come from this seed,
    // so runs against the simulator repeat exactly.
    static constexpr std::uint32_t kMeasureSeed = 20240611u;

    // What set() may make the host keep, for all clients together: a set that
    // would pass either bound is refused whole and stores nothing. Characters
    // are code points.
    static constexpr std::size_t kMaxValues = 10000;
    static constexpr std::size_t kMaxValueCharacters = std::size_t(16) * 1024 * 1024;

    // `pushDynamic` receives the text of dyn(); `writeText` receives what
    // rtftextnl() appends to the host's text window, newline included.
    CommandInterpreter(TextSink PushDynamic, TextSink writeText, ReplyBound replyBound = {});

    // The response in place of a reply, or of dynamic data, that would pass the bound.
    static std::string ReplyTooLongResponse();

    CommandOutcome Run(std::string_view command, CommandWay way);

    // Commands that act at once even while an earlier execute of the same
    // client is still being worked on.
    static bool BypassesQueue(std::string_view command);

private:
    struct HostValue {
        std::string name; // spelled as the set() that created it
        std::string value;
    };

    CommandOutcome Interpret(std::string_view command, CommandWay way);
    std::string SetValues(std::string_view text);
    std::string GetValues(std::string_view text) const;
    std::size_t WireBytes(std::string_view text) const;
    bool FitsReply(std::string_view text) const;
    CommandOutcome Wait(std::string_view text, CommandWay way) const;
    std::string Measure(std::string_view text);
    double NextUnit();

    TextSink pushDynamic_;
    TextSink writeText_;
    ReplyBound replyBound_;
    std::unordered_map<std::string, HostValue> values_; // keyed by the ASCII-lowered name
    std::size_t valueCharacters_ = 0;                   // of every name and value kept
    std::mt19937 generator_{kMeasureSeed};
};

} // namespace talvex::simhost
