// The user's run control: the Cancel button, Escape, and the hard cancel.
// These run nested inside the executor's or the link's event processing; they
// only change CancelState and send one command.
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
        if (window_.AskYesNo("KORVA does not answer. Drop the link and stop the script?",
                             window_.BaseCaption()) == Answer::Yes) {
            CancelState = kStop;
            host_.DropLink();
        }
        return;
    }
    if (CancelState == kRunning || CancelState == kCancelRequested) {
        CancelState = kCancelRequested;
        HardCancel();
        window_.Message(MessageKind::Plain, "Ending Script please wait.", window_.BaseCaption());
    } else if (CancelState == kCancelHandlerRunning) {
        CancelState = kStop;
    }
}

void ScriptRunner::EscapeKey() {
    if (!running_) return;
    if (CancelState == kRunning) {
        if (window_.AskYesNo("Cancel Script?", window_.BaseCaption()) == Answer::Yes) {
            CancelState = kCancelRequested;
            HardCancel();
            window_.Message(MessageKind::Plain, "Ending Script please wait.",
                            window_.BaseCaption());
        }
    } else if (CancelState == kCancelHandlerRunning) {
        if (window_.AskYesNo("Kill Script?", window_.BaseCaption()) == Answer::Yes) {
            CancelState = kStop;
            HardCancel();
            window_.Message(MessageKind::Plain, "Killing Script please wait.",
                            window_.BaseCaption());
        }
    }
}

void ScriptRunner::InterruptNow() {
    // The run ends where it stands, without unwinding; it says so as a
    // cancelled run does.
    CancelState = kStop;
    if (!running_) return;
    window_.PaneAppend("script interrupted by user\r\n");
    if (window_.LogTicked()) AddLog("script interrupted by user\r\n");
}

} // namespace talvex
