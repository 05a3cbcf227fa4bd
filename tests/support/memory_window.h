// A window that keeps everything in memory around a real ResponsePane: the
// GUI mirrors one, and tests and benchmarks drive runs against one, so they
// all see the same pane with the same limit.
#pragma once

#include "engine/response_pane.h"
#include "engine/window_state.h"

#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace talvex {

class MemoryWindow : public WindowState {
public:
    struct Shown {
        MessageKind kind;
        std::string text;
        std::string title;
    };

    std::size_t PaneLength() const override { return pane.Length(); }
    std::string PaneText() const override { return pane.Text(); }
    void PaneAppend(std::string_view text) override { pane.Append(text); }
    void PaneCutBack(std::size_t length) override { pane.CutBack(length); }
    void PaneReplace(std::string_view text) override { pane.Replace(text); }

    // Message boxes and questions are recorded apart, so a run's boxes can be
    // checked without the questions in between; a question takes the next
    // queued answer (No when none is queued); the log dialog takes the next
    // queued name ("" when none is queued, as a cancelled dialog).
    void Message(MessageKind kind, std::string_view text, std::string_view t) override;
    Answer AskYesNo(std::string_view text, std::string_view t) override;
    Answer AskYesNoCancel(std::string_view text, std::string_view t) override;
    std::string AskLogFile(std::string_view proposedName) override;

    void SetBusyPointer(bool b) override { busy = b; }
    void SetRunControlsEnabled(bool enabled) override { controlsEnabled = enabled; }
    void Yield() override;

    ResponsePane pane;
    bool busy = false;
    bool controlsEnabled = true;

    std::vector<Shown> messages;
    std::vector<std::string> questions; // the text of every question asked, in order
    std::deque<Answer> answers;
    std::deque<std::string> logFileAnswers;
    std::vector<std::string> proposedLogFiles;
    // Called at every yield; a test uses it to press Cancel in the middle of a run.
    std::function<void()> onYield;
    // Called as a message box shows, as the user would look around then.
    std::function<void(const Shown&)> onMessage;

private:
    Answer Ask(std::string_view text);
};

} // namespace talvex
