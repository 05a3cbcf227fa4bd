#include "tests/app/fake_front_end.h"

namespace talvex::testing {

void FakeHost::Send(const std::string& command) {
    requests.push_back(command);
    reply_ = "OK";
}

bool FakeHost::Init() {
    ++inits;
    return !lost;
}

void FakeHost::DropLink() {
    unanswered = false;
    dropped = true;
    lost = true;
}

void FakeHost::SendA(const std::string& command) {
    if (lost) {
        reply_ = kLinkLostReply;
        return;
    }
    sent.push_back(command);
    if (whileWaiting) whileWaiting(command);
    if (lost) {
        // lost or given up on while the command waited
        reply_ = dropped ? kLinkDroppedReply : kLinkLostReply;
        return;
    }
    if (reply) {
        reply_ = reply(command);
    } else {
        const auto open = command.find('(');
        const auto close = command.rfind(')');
        if (open == std::string::npos)
            reply_ = "OK";
        else
            reply_ = command.substr(open + 1, close == std::string::npos || close < open
                                                  ? std::string::npos
                                                  : close - open - 1);
        if (reply_.empty()) reply_ = "OK";
    }
    if (command == loseAfter) lost = true;
}

} // namespace talvex::testing
