// The window as the headless runner has it: the response pane streams to
// standard output, message boxes go to standard error, and the rest (editor,
// title, log check box) is the window state kept in memory.
#pragma once

#include "engine/window_state.h"

#include <cstdio>
#include <functional>
#include <string>

namespace talvex {

class HeadlessWindow : public WindowState {
public:
    // `yield` lets the platform's pending events run (the host link's
    // messages, Ctrl+C); the runner has no window to keep alive.
    HeadlessWindow(std::FILE* out, std::FILE* err, std::function<void()> yield)
        : out_(out), err_(err), yield_(std::move(yield)) {}

    // A log file given on the command line: logging ticked, and the log dialog
    // answers with this file.
    void SetChosenLogFile(const std::string& file);

    std::FILE* ErrorStream() const { return err_; }

    // Writes what the pane still holds back.
    void Flush();
    // Flushes, and ends standard output with a line break when the pane text
    // does not end with one ("script error"), so the output is whole lines
    // for the shell and the tools it is piped to; called once, at exit.
    void Finish();
    // Forgets a command's ">>>" echo still held back: a run ended by a signal
    // in the middle of a command never gets to remove it itself.
    void DropPendingEcho();

    std::size_t PaneLength() const override { return printedChars_ + pendingChars_; }
    std::string PaneText() const override { return pending_; }
    void PaneAppend(std::string_view text) override;
    void PaneCutBack(std::size_t length) override;
    void PaneReplace(std::string_view text) override;
    bool PaneHasLimit() const override { return false; }

    void Message(MessageKind kind, std::string_view text, std::string_view title) override;
    Answer AskYesNo(std::string_view text, std::string_view title) override;
    Answer AskYesNoCancel(std::string_view text, std::string_view title) override;
    std::string AskLogFile(std::string_view proposedName) override;

    void SetBusyPointer(bool) override {}
    void SetRunControlsEnabled(bool) override {}
    void Yield() override;

private:
    // Prints a text of the pane; one that follows a line left open starts
    // a line of its own.
    void Print(std::string_view text);
    void EndOpenLine();

    std::FILE* out_;
    std::FILE* err_;
    std::function<void()> yield_;
    // The last text appended stays back until the next one arrives: the
    // executor may still take it away again (the ">>>" echo of a command).
    std::string pending_;
    std::size_t pendingChars_ = 0;
    std::size_t printedChars_ = 0;
    bool lineOpen_ = false; // the last byte printed was not a line break

    std::string chosenLogFile_;
};

} // namespace talvex
