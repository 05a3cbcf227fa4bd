// The user's run control: the Cancel button, Escape, and the hard cancel.
// These run nested inside the executor's or the link's event processing; they
// only change the cancel state and send one command.
#include "engine/executor_level.h"

namespace talvex {

void ScriptRunner::HardCancel() {
    // A request that must get through while an execute is still waiting, and
    // must not wait for a host that no longer answers.
    host_.HardCancel();
}

void ScriptRunner::CancelButton() {
    if (host_.HardCancelUnanswered()) {
        // Another hard cancel would go unanswered too; the one way left is to
        // give up on the host.
        if (Ask("KORVA does not answer. Drop the link and stop the script?",
                window_.BaseCaption()) == Answer::Yes) {
            cancelState_ = CancelState::Stop;
            host_.DropLink();
        }
        return;
    }
    if (cancelState_ == CancelState::Running || cancelState_ == CancelState::CancelRequested) {
        cancelState_ = CancelState::CancelRequested;
        HardCancel();
        Tell(MessageKind::Plain, "Ending Script please wait.", window_.BaseCaption());
    } else if (cancelState_ == CancelState::CancelHandlerRunning) {
        cancelState_ = CancelState::Stop;
    }
}

void ScriptRunner::EscapeKey() {
    if (!running_) return;
    if (cancelState_ == CancelState::Running) {
        if (Ask("Cancel Script?", window_.BaseCaption()) == Answer::Yes) {
            cancelState_ = CancelState::CancelRequested;
            HardCancel();
            Tell(MessageKind::Plain, "Ending Script please wait.", window_.BaseCaption());
        }
    } else if (cancelState_ == CancelState::CancelHandlerRunning) {
        if (Ask("Kill Script?", window_.BaseCaption()) == Answer::Yes) {
            cancelState_ = CancelState::Stop;
            HardCancel();
            Tell(MessageKind::Plain, "Killing Script please wait.", window_.BaseCaption());
        }
    }
}

void ScriptRunner::InterruptNow() {
    // The run ends where it stands, without unwinding; it says so as a
    // cancelled run does.
    cancelState_ = CancelState::Stop;
    if (!running_) return;
    window_.PaneAppend("script interrupted by user\r\n");
    if (window_.LogTicked()) AddLog("script interrupted by user\r\n");
}

} // namespace talvex
