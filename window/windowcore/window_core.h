// The main window "KORVA Automated Script Program" without its widgets: the
// engine's window for runs started from the editor, the script document,
// the response pane, the running line, the waiting status, run control
// (Cancel, Escape, the hard cancel, closing during a run), Find, Help and
// dynamic data. A face forwards its controls' events here and shows what
// this asks of it through WindowFace.
#pragma once

#include "engine/interpreter.h"
#include "engine/response_pane.h"
#include "engine/script_runner.h"
#include "engine/window_interface.h"
#include "windowcore/running_line.h"
#include "windowcore/script_document.h"
#include "windowcore/settings_port.h"
#include "windowcore/window_face.h"
#include "windowcore/window_link_port.h"

#include <chrono>
#include <memory>
#include <optional>
#include <string>

namespace talvex {

struct WindowCoreOptions {
    std::string programDir; // the program's folder: help documents, dialogs' first folder
    std::string logFolder;  // where a run's default log file goes
    char decimalSeparator = '.';
    // How long a close during a run waits, after the hard cancel, before it
    // offers to close anyway (a host that never answers).
    int closeGraceMs = 5000;
};

class WindowCore : public WindowInterface {
public:
    WindowCore(WindowFace& face, WindowLinkPort& link, SettingsPort& settings,
               WindowCoreOptions options);
    ~WindowCore() override;
    WindowCore(const WindowCore&) = delete;
    WindowCore& operator=(const WindowCore&) = delete;

    // Form_Load: links to the host (false when that failed: the program
    // ends), then sets up the help menu, the caption and the recent files.
    bool Load();
    // talvex FILE, with `path` absolute: opened as Open would.
    void OpenAtStart(const std::string& path);

    // The face's events.
    void EditorChanged() { document_.EditorChanged(); }
    void NewClicked();
    void OpenClicked();
    void SaveClicked() { document_.Save(); }
    void SaveAsClicked() { document_.SaveAs(); }
    void RecentClicked(int index);
    void RunScriptClicked();
    void CommandLabelClicked(); // a click on the editor's caption: a list-only run
    void CancelClicked();
    void EscapePressed();
    void SendHardCancelClicked();
    void DynamicClicked();
    void SetLineByLine(bool lineByLine) { runner_->SetLineByLine(lineByLine); }
    void FindClicked();
    void FindAgain();
    void HelpViewClicked();
    void HelpContentsClicked();
    void AboutClicked();
    // The findings list: View > Check List, and a click on a finding.
    void SetFindingsListShown(bool shown);
    void FindingClicked(std::size_t index);
    const std::vector<Finding>& Findings() const { return findings_; }
    void LinkWindowSend(const std::string& command) { link_.SendFromLinkWindow(command); }
    LinkTexts LinkWindowTexts() const { return link_.Texts(); }
    // The user closes the window: true when it may close now. During a run
    // it asks, stops the run and closes once the run has unwound.
    bool CloseRequested();
    void TimerFired(WindowTimer timer);

    // The engine's window.
    std::size_t PaneLength() const override { return pane_.Length(); }
    std::string PaneText() const override { return pane_.Text(); }
    void PaneAppend(std::string_view text) override;
    void PaneCutBack(std::size_t length) override;
    void PaneReplace(std::string_view text) override;
    void ScrollToEnd() override;
    bool LogTicked() const override;
    void SetLogTicked(bool ticked) override;
    std::string EditorText() const override { return document_.Text(); }
    void SetEditorText(std::string_view text) override;
    std::string Title() const override;
    void SetTitle(std::string_view title) override;
    std::string BaseCaption() const override { return document_.BaseCaption(); }
    bool FileSaved() const override { return document_.FileSaved(); }
    void SetFileSaved(bool saved) override;
    std::string CurrentFile() const override;
    void SetCurrentFile(std::string_view path) override;
    void Message(MessageKind kind, std::string_view text, std::string_view title) override;
    Answer AskYesNo(std::string_view text, std::string_view title) override;
    Answer AskYesNoCancel(std::string_view text, std::string_view title) override;
    std::string AskLogFile(std::string_view proposedName) override;
    void SetBusyPointer(bool busy) override { face_.SetBusyPointer(busy); }
    void SetRunControlsEnabled(bool enabled) override;
    void Yield() override;
    void ShowRunningLine(std::string_view script, std::size_t offset) override;

    ScriptDocument& Document() { return document_; }
    const ScriptDocument& Document() const { return document_; }
    ScriptRunner& Runner() { return *runner_; }
    Interpreter& Interp() { return interp_; }
    bool Running() const { return runner_->Running(); }
    // The status bar's text.
    const std::string& Status() const { return status_; }
    // Brings the pane widget up to date now.
    void SyncPane();

private:
    void StartRun(bool listOnly);
    void AfterRun();
    void CloseDuringRun();
    void CloseGraceOver();
    void ShowUserDocument();
    void ApplyRunningLine();
    void ResetRunningLine();
    void MarkPaneChanged();
    void WaitStarted(std::string_view command);
    void WaitEnded();
    void ShowWaitStatus();
    void SetStatus(std::string text);
    void HelpMenuSet();
    void ShowDocument(const std::string& path);
    void FindNext(TextPane pane, bool hasFocus);
    void LinkMessage(MessageKind kind, std::string_view title, std::string_view text);
    void ScriptEdited();
    void CheckScriptNow();
    void ShowFindingsPane();

    WindowFace& face_;
    WindowLinkPort& link_;
    WindowCoreOptions options_;
    ScriptDocument document_;
    Interpreter interp_;
    std::unique_ptr<ScriptRunner> runner_;

    ResponsePane pane_;
    std::string paneShown_; // what the pane widget shows
    bool scrollPending_ = false;

    // While a run calls or chains: the script shown, its file and caption.
    bool showingRunDocument_ = false;
    std::string runStartText_;
    std::optional<std::string> runCurrentFile_;
    std::optional<std::string> runTitle_;
    bool runControlsEnabled_ = true;
    // The log check box as the run last set it: while the run controls are
    // off the user cannot change it, and the run reads it several times a line.
    bool logTicked_ = false;

    RunningLineIndex runningLines_;
    int runningLine_ = -1;
    bool runningLinePending_ = false;

    std::optional<std::string> waitingCommand_;
    std::chrono::steady_clock::time_point waitStart_;
    std::string status_;

    bool closeAsking_ = false;    // the close-during-a-run questions are open
    bool closeConfirmed_ = false; // they were answered: close without asking again
    bool closeRequested_ = false; // the run is being stopped for a close

    // The script check: run at most kCheckEveryMs after an edit, never
    // during a run (a check pending then runs after it).
    std::vector<Finding> findings_;
    bool findingsListShown_ = true;
    bool checkPending_ = false;

    std::optional<std::chrono::steady_clock::time_point> lastYield_;
    std::string findString_;
};

} // namespace talvex
