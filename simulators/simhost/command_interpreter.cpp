// The simulator's command set. Every execute gets a non-empty response, so a
// client waiting for one is never left hanging (Exit and silent() aside).
#include "simhost/command_interpreter.h"

#include "simhost/command_syntax.h"

#include <charconv>
#include <climits>
#include <utility>
#include <vector>

namespace talvex::simhost {

namespace {

CommandOutcome answer(std::string text) {
    CommandOutcome outcome;
    outcome.text = std::move(text);
    return outcome;
}

bool isWholeNumber(std::string_view text) {
    if (text.empty()) return false;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
    }
    return true;
}

std::vector<std::string_view> splitAtCommas(std::string_view text) {
    std::vector<std::string_view> parts;
    for (;;) {
        const std::size_t comma = text.find(',');
        parts.push_back(text.substr(0, comma));
        if (comma == std::string_view::npos) return parts;
        text.remove_prefix(comma + 1);
    }
}

// Fixed notation with four decimals whatever the process locale: the point
// stays a point.
std::string fixed4(double value) {
    char buffer[64];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 4);
    return std::string(buffer, result.ptr);
}

} // namespace

CommandInterpreter::CommandInterpreter(TextSink PushDynamic, TextSink writeText,
                                       ReplyBound replyBound)
    : pushDynamic_(std::move(PushDynamic)), writeText_(std::move(writeText)),
      replyBound_(std::move(replyBound)) {}

std::string CommandInterpreter::ReplyTooLongResponse() {
    return "Error: reply would exceed " + std::to_string(kMaxLineBytes) + " bytes";
}

std::size_t CommandInterpreter::WireBytes(std::string_view text) const {
    return replyBound_.bytesOf ? replyBound_.bytesOf(text) : text.size();
}

bool CommandInterpreter::FitsReply(std::string_view text) const {
    return WireBytes(text) <= replyBound_.maxBytes;
}

bool CommandInterpreter::BypassesQueue(std::string_view command) {
    const std::string name = AsciiLower(SplitCommand(command).name);
    return name == "hardcancel" || name == "exit";
}

CommandOutcome CommandInterpreter::Run(std::string_view command, CommandWay way) {
    CommandOutcome outcome = Interpret(command, way);
    // Texts that carry the command back (echo, the error texts) reach the
    // bound only from a command near the line cap: checked once it stands.
    if (!FitsReply(outcome.text)) outcome.text = ReplyTooLongResponse();
    return outcome;
}

CommandOutcome CommandInterpreter::Interpret(std::string_view command, CommandWay way) {
    const CommandParts parts = SplitCommand(command);
    const std::string name = AsciiLower(parts.name);

    if (name == "echo") return answer(parts.text.empty() ? std::string("OK") : parts.text);
    if (name == "set") return answer(SetValues(parts.text));
    if (name == "get") return answer(GetValues(parts.text));
    if (name == "wait") return Wait(parts.text, way);
    if (name == "dyn") {
        if (!FitsReply(parts.text)) return answer(ReplyTooLongResponse());
        pushDynamic_(parts.text);
        return answer("OK");
    }
    if (name == "rtftextnl") {
        writeText_(parts.text + '\n');
        return answer("OK");
    }
    if (name == "measure") return answer(Measure(parts.text));
    if (name == "silent") {
        // A request has no later moment to answer in; refusing keeps the host free.
        if (way == CommandWay::Request)
            return answer("Error: silent can only be executed, not requested");
        CommandOutcome outcome;
        outcome.kind = CommandOutcome::Kind::Silent;
        return outcome;
    }
    if (name == "windows") return answer("OK");
    if (name == "hardcancel") {
        CommandOutcome outcome = answer("OK");
        outcome.kind = CommandOutcome::Kind::HardCancel;
        return outcome;
    }
    if (name == "exit") {
        CommandOutcome outcome = answer("OK");
        outcome.kind = CommandOutcome::Kind::Exit;
        return outcome;
    }
    return answer("Error: unknown command: " + std::string(command));
}

std::string CommandInterpreter::SetValues(std::string_view text) {
    // The entries this set changes, as they will stand, and the store's size
    // after it: nothing is stored unless all of it fits.
    std::unordered_map<std::string, HostValue> changed;
    std::size_t count = values_.size();
    std::size_t characters = valueCharacters_;
    for (std::string_view pair : splitAtCommas(text)) {
        const std::size_t equals = pair.find('=');
        if (equals == std::string_view::npos) continue;
        std::string name = TrimBlanks(pair.substr(0, equals));
        if (name.empty()) continue;
        std::string value = TrimBlanks(pair.substr(equals + 1));
        std::string key = AsciiLower(name);
        auto entry = changed.find(key);
        if (entry == changed.end()) {
            const auto kept = values_.find(key);
            if (kept != values_.end()) {
                entry = changed.emplace(std::move(key), kept->second).first;
            } else {
                characters += CharacterCount(name);
                ++count;
                entry = changed.emplace(std::move(key), HostValue{std::move(name), {}}).first;
            }
        }
        characters += CharacterCount(value);
        characters -= CharacterCount(entry->second.value);
        entry->second.value = std::move(value);
    }
    if (count > kMaxValues || characters > kMaxValueCharacters)
        return "Error: set would keep more than " + std::to_string(kMaxValues) + " values or " +
               std::to_string(kMaxValueCharacters) + " characters; nothing was set";
    for (auto& entry : changed)
        values_.insert_or_assign(entry.first, std::move(entry.second));
    valueCharacters_ = characters;
    return "OK";
}

std::string CommandInterpreter::GetValues(std::string_view text) const {
    // A short get may ask for a long value many times over: the answer is
    // sized first and built only when it fits, so one past the bound costs
    // no memory at all.
    static constexpr std::string_view kSeparator = ", ";
    struct Field {
        std::string name;
        std::string_view value;
    };
    std::vector<Field> fields;
    std::size_t bytes = 0;
    std::size_t length = 0;
    for (std::string_view asked : splitAtCommas(text)) {
        std::string name = TrimBlanks(asked);
        if (name.empty()) continue;
        const auto found = values_.find(AsciiLower(name));
        const std::string_view value =
            found != values_.end() ? std::string_view(found->second.value) : std::string_view();
        bytes += (fields.empty() ? 0 : WireBytes(kSeparator)) + WireBytes(name) + WireBytes("=") +
                 WireBytes(value);
        if (bytes > replyBound_.maxBytes) return ReplyTooLongResponse();
        length += (fields.empty() ? 0 : kSeparator.size()) + name.size() + 1 + value.size();
        fields.push_back({std::move(name), value});
    }
    if (fields.empty()) return "Error: get needs at least one name";
    std::string answer;
    answer.reserve(length);
    for (const Field& field : fields) {
        if (!answer.empty()) answer += kSeparator;
        answer += field.name;
        answer += '=';
        answer += field.value;
    }
    return answer;
}

CommandOutcome CommandInterpreter::Wait(std::string_view text, CommandWay way) const {
    if (way == CommandWay::Request)
        return answer("Error: wait can only be executed, not requested");
    const std::string trimmed = TrimBlanks(text);
    if (!isWholeNumber(trimmed))
        return answer("Error: wait needs a whole number of milliseconds: " + std::string(text));
    std::string_view digits = trimmed;
    while (digits.size() > 1 && digits.front() == '0')
        digits.remove_prefix(1);
    long long ms = 0;
    const bool fits =
        digits.size() <= 10 &&
        std::from_chars(digits.data(), digits.data() + digits.size(), ms).ec == std::errc() &&
        ms <= INT_MAX;
    if (!fits)
        return answer("Error: wait is limited to 2147483647 milliseconds: " + std::string(text));
    CommandOutcome outcome;
    outcome.kind = CommandOutcome::Kind::Wait;
    outcome.waitMs = static_cast<int>(ms);
    outcome.text = "waited=" + std::to_string(ms);
    return outcome;
}

double CommandInterpreter::NextUnit() {
    // Straight from the engine's 32-bit output: the standard distributions
    // differ between libraries, and the sequence must not.
    return static_cast<double>(generator_()) / 4294967296.0;
}

std::string CommandInterpreter::Measure(std::string_view text) {
    const std::string name = TrimBlanks(text);
    if (name.empty()) return "Error: measure needs a name";
    const double value = 10.0 + 90.0 * NextUnit();
    const double errorBar = 0.001 + 0.099 * NextUnit();
    return name + '=' + fixed4(value) + "\xC2\xB1" + fixed4(errorBar);
}

} // namespace talvex::simhost
