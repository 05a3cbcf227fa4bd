// A front end for driving the runner without Qt: a host that answers from a
// function and records what it was sent, and a window that keeps the real
// response pane model and records message boxes.
#pragma once

#include "engine/host_interface.h"
#include "engine/response_pane.h"
#include "engine/window_interface.h"

#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace talvex::testing {

class FakeHost : public HostInterface {
public:
    // Answers a command; by default the way korva32 answers echo(TEXT).
    std::function<std::string(const std::string&)> reply;
    // Runs inside SendA before the reply, as the link processes events while it waits.
    std::function<void(const std::string&)> whileWaiting;

    std::vector<std::string> sent;     // SendA commands, in order
    std::vector<std::string> requests; // Send commands (hard cancels)

    bool Init() override { return true; }
    void Send(const std::string& command) override;
    void SendA(const std::string& command) override;
    std::string ReturnStr() const override { return reply_; }
    bool LinkLost() const override { return false; }

private:
    std::string reply_;
};

class TestWindow : public WindowInterface {
public:
    ResponsePane pane;
    bool logTicked = false;
    std::string editor, title = "KORVA Automated Script Program", currentFile;
    bool fileSaved = true;
    std::string chosenLogFile;  // what the log dialog answers
    std::deque<Answer> answers; // answers to questions, in order (No when none is left)

    struct Box {
        MessageKind kind;
        std::string text;
    };
    std::vector<Box> messages;
    std::vector<std::string> questions;
    std::function<void()> onYield;

    std::size_t PaneLength() const override { return pane.Length(); }
    std::string PaneText() const override { return pane.Text(); }
    void PaneAppend(std::string_view text) override { pane.Append(text); }
    void PaneCutBack(std::size_t length) override { pane.CutBack(length); }
    void PaneReplace(std::string_view text) override { pane.Replace(text); }

    bool LogTicked() const override { return logTicked; }
    void SetLogTicked(bool ticked) override { logTicked = ticked; }

    std::string EditorText() const override { return editor; }
    void SetEditorText(std::string_view text) override { editor = text; }
    std::string Title() const override { return title; }
    void SetTitle(std::string_view t) override { title = t; }
    std::string BaseCaption() const override { return "KORVA Automated Script Program"; }
    bool FileSaved() const override { return fileSaved; }
    void SetFileSaved(bool saved) override { fileSaved = saved; }
    std::string CurrentFile() const override { return currentFile; }
    void SetCurrentFile(std::string_view path) override { currentFile = path; }

    void Message(MessageKind kind, std::string_view text, std::string_view) override {
        messages.push_back({kind, std::string(text)});
    }
    Answer AskYesNo(std::string_view text, std::string_view) override { return Ask(text); }
    Answer AskYesNoCancel(std::string_view text, std::string_view) override { return Ask(text); }
    std::string AskLogFile(std::string_view) override { return chosenLogFile; }

    void SetBusyPointer(bool) override {}
    void SetRunControlsEnabled(bool) override {}
    void Yield() override {
        if (onYield) onYield();
    }

private:
    Answer Ask(std::string_view text);
};

// A fresh folder under the system's temp folder, removed again at the end.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    const std::string& Path() const { return path_; }
    std::string File(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

std::string ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, const std::string& bytes);

} // namespace talvex::testing
