// The window's logic: start-up and shut-down, runs and run control, the
// pane, the waiting status, Find and Help.
#include "windowcore/window_core.h"

#include "engine/file_access.h"
#include "engine/script_file.h"
#include "engine/text_codec.h"
#include "windowcore/file_paths.h"
#include "windowcore/text_search.h"

#include <algorithm>
#include <utility>

namespace talvex {

namespace {

constexpr std::string_view kCrLf = "\r\n";
// How often the pane widget catches up with the pane while a run appends.
constexpr int kPaneSyncMs = 30;
// The running line's mark moves at most 20 times a second: a tight script
// keeps its speed.
constexpr int kRunningLineMs = 50;
// The least time between two rounds of event processing within a run.
constexpr auto kYieldEvery = std::chrono::milliseconds(1);
// How long a command waits before the status bar says so, and how often it
// then counts the seconds.
constexpr int kWaitStatusAfterMs = 50;
constexpr int kWaitStatusEveryMs = 1000;
// The findings follow the user's typing at most four times a second.
constexpr int kCheckEveryMs = 250;

bool HasDocument(const std::string& path) {
    return FileSizeOf(path) > 0;
}

// The manual: beside the program in a build tree, in share/doc/talvex once
// installed (the program then sits in bin/ of the same prefix).
std::string ManualPath(const std::string& programDir) {
    const std::string beside = programDir + "/talvex_help.pdf";
    if (HasDocument(beside)) return beside;
    const std::string installed = NormalPath(programDir + "/../share/doc/talvex/talvex_help.pdf");
    return HasDocument(installed) ? installed : beside;
}

} // namespace

WindowCore::WindowCore(WindowFace& face, WindowLinkPort& link, SettingsPort& settings,
                       WindowCoreOptions options)
    : face_(face), link_(link), options_(std::move(options)),
      document_(
          face, settings, options_.programDir,
          [this] {
              PaneReplace("");
              SyncPane();
          },
          [this] { ScriptEdited(); }),
      interp_([this] {
          Environment env = Environment::system();
          env.hostDir = [this] { return link_.HostDir(); };
          env.decimalSeparator = options_.decimalSeparator;
          return env;
      }()) {
    RunnerSettings settings_;
    settings_.logFolder = options_.logFolder;
    runner_ = std::make_unique<ScriptRunner>(interp_, link_, *this, settings_);

    WindowLinkEvents events;
    events.message = [this](MessageKind kind, std::string_view title, std::string_view text) {
        LinkMessage(kind, title, text);
    };
    events.waitStarted = [this](std::string_view command) { WaitStarted(command); };
    events.waitEnded = [this] { WaitEnded(); };
    events.hardCancelUnanswered = [this] { ShowWaitStatus(); };
    events.dynamicData = [this] { DynamicClicked(); };
    events.textsChanged = [this] { face_.RefreshLinkWindow(); };
    link_.SetEvents(std::move(events));
}

WindowCore::~WindowCore() {
    link_.SetEvents({});
}

// ---- Start-up and shut-down ----

bool WindowCore::Load() {
    findString_.clear();
    if (!link_.LinkAtStart()) return false;
    HelpMenuSet();
    document_.Start();
    interp_.SetEchoMode(false);
    return true;
}

void WindowCore::OpenAtStart(const std::string& path) {
    if (!PathExists(path)) {
        face_.Dialogs().Message(MessageKind::Warning, "File not found '" + path + "'",
                                BaseCaption());
        return;
    }
    document_.OpenAtStart(path);
}

bool WindowCore::CloseRequested() {
    if (Running()) {
        CloseDuringRun();
        return false;
    }
    // Asked and answered before the run was stopped, or asked now.
    if (!closeConfirmed_) {
        const FileSaveAnswer answer = document_.FileSaveCheck();
        if (answer == FileSaveAnswer::Cancel || document_.SaveAborted()) return false;
    }
    link_.Unlink();
    return true;
}

void WindowCore::CloseDuringRun() {
    if (closeRequested_ || closeAsking_) return;
    // A measurement is not lost to one click: both questions come before
    // anything is stopped, and either can still keep the run going.
    closeAsking_ = true;
    const bool stop = face_.Dialogs().AskYesNo("A script is running. Stop it and close?",
                                               BaseCaption()) == Answer::Yes;
    const bool close =
        stop && document_.FileSaveCheck() != FileSaveAnswer::Cancel && !document_.SaveAborted();
    closeAsking_ = false;
    if (!close) return;
    closeConfirmed_ = true;
    if (!Running()) {
        // The run ended while the questions were open.
        face_.PostClose();
        return;
    }
    // Stop the run at its next line and end the command it waits for; the
    // window closes once the run has unwound.
    closeRequested_ = true;
    runner_->RequestStop();
    if (link_.IsLinked()) link_.HardCancel();
    face_.StartTimer(WindowTimer::CloseGrace, options_.closeGraceMs);
}

void WindowCore::CloseGraceOver() {
    if (!Running()) return;
    const Answer a = face_.Dialogs().AskYesNo(
        "The script has not stopped: KORVA does not answer the hard cancel.\r\nClose anyway?",
        BaseCaption());
    if (a != Answer::Yes) {
        closeRequested_ = false;
        closeConfirmed_ = false;
        return;
    }
    // Dropping the link ends the wait for the host, which is left alone; the
    // run then stops at its next line and the window closes.
    runner_->RequestStop();
    link_.DropLink();
}

void WindowCore::TimerFired(WindowTimer timer) {
    switch (timer) {
    case WindowTimer::PaneSync:
        SyncPane();
        break;
    case WindowTimer::RunningLine:
        if (runningLinePending_) ApplyRunningLine();
        break;
    case WindowTimer::WaitStatus:
        if (!waitingCommand_) break;
        face_.StartTimer(WindowTimer::WaitStatus, kWaitStatusEveryMs);
        ShowWaitStatus();
        break;
    case WindowTimer::CloseGrace:
        CloseGraceOver();
        break;
    case WindowTimer::Check:
        if (Running()) {
            checkPending_ = true;
            break;
        }
        CheckScriptNow();
        break;
    }
}

// ---- The response pane ----

void WindowCore::PaneAppend(std::string_view text) {
    pane_.Append(text);
    MarkPaneChanged();
}

void WindowCore::PaneCutBack(std::size_t length) {
    pane_.CutBack(length);
    MarkPaneChanged();
}

void WindowCore::PaneReplace(std::string_view text) {
    pane_.Replace(text);
    MarkPaneChanged();
}

void WindowCore::ScrollToEnd() {
    scrollPending_ = true;
    MarkPaneChanged();
}

void WindowCore::MarkPaneChanged() {
    // The widget follows a few dozen times a second, not at every line: a
    // tight script appends and removes an echo for each of its lines.
    if (!face_.TimerActive(WindowTimer::PaneSync))
        face_.StartTimer(WindowTimer::PaneSync, kPaneSyncMs);
}

void WindowCore::SyncPane() {
    face_.StopTimer(WindowTimer::PaneSync);
    const std::string& text = pane_.Text();
    if (text != paneShown_) {
        face_.UpdatePane(paneShown_, text);
        paneShown_ = text;
        scrollPending_ = true;
    }
    if (scrollPending_) {
        scrollPending_ = false;
        face_.ScrollPaneToEnd();
    }
}

// ---- The document around the editor ----

void WindowCore::SetEditorText(std::string_view text) {
    if (!Running()) {
        face_.LoadEditor(text);
        document_.EditorChanged();
        return;
    }
    // A run shows the script it calls or chains to; the user's script, with
    // every edit made before or during the run, stays as it is.
    if (text == runStartText_) {
        ShowUserDocument();
        return;
    }
    face_.ShowRunDocument(text);
    showingRunDocument_ = true;
    ResetRunningLine();
}

void WindowCore::ShowUserDocument() {
    if (!showingRunDocument_) return;
    showingRunDocument_ = false;
    face_.ShowUserDocument();
    ResetRunningLine();
}

std::string WindowCore::Title() const {
    return runTitle_ ? *runTitle_ : document_.Title();
}

void WindowCore::SetTitle(std::string_view title) {
    if (!Running()) {
        document_.SetTitle(title);
        return;
    }
    // The script a run shows; the document's title comes back after it.
    runTitle_ = std::string(title);
    face_.SetCaption(title);
}

void WindowCore::SetFileSaved(bool saved) {
    // While a run calls or chains, the flag belongs to the user's script,
    // which the run does not change.
    if (!Running()) document_.SetFileSaved(saved);
}

std::string WindowCore::CurrentFile() const {
    if (Running() && runCurrentFile_) return *runCurrentFile_;
    return document_.CurrentFile();
}

void WindowCore::SetCurrentFile(std::string_view path) {
    if (Running())
        runCurrentFile_ = std::string(path); // a chained script, for this run only
    else
        document_.SetCurrentFile(path);
}

// ---- Message boxes and dialogs ----

void WindowCore::Message(MessageKind kind, std::string_view text, std::string_view title) {
    SyncPane();
    if (closeRequested_) return; // the user is closing; the run only unwinds
    face_.Dialogs().Message(kind, text, title.empty() ? BaseCaption() : title);
}

Answer WindowCore::AskYesNo(std::string_view text, std::string_view title) {
    SyncPane();
    return face_.Dialogs().AskYesNo(text, title.empty() ? BaseCaption() : title);
}

Answer WindowCore::AskYesNoCancel(std::string_view text, std::string_view title) {
    SyncPane();
    return face_.Dialogs().AskYesNoCancel(text, title.empty() ? BaseCaption() : title);
}

void WindowCore::LinkMessage(MessageKind kind, std::string_view title, std::string_view text) {
    SyncPane();
    face_.Dialogs().Message(kind, text, title.empty() ? BaseCaption() : title);
}

std::string WindowCore::AskLogFile(std::string_view proposedName) {
    for (;;) {
        FileDialogSetup setup;
        setup.title = "Log Responses";
        setup.fileName = proposedName;
        const std::string folder = DirectoryOf(proposedName);
        setup.folder = folder.empty() ? options_.programDir : folder;
        setup.filters = {"Response File(*.log)", "All Files(*.*)"};
        setup.defaultSuffix = "log";
        const std::string chosen = face_.Dialogs().SaveFileName(setup);
        if (chosen.empty() || !SameFile(chosen, document_.CurrentFile())) return chosen;
        Message(MessageKind::Warning,
                "The response log cannot be the script file itself:" + std::string(kCrLf) + chosen,
                "Log Responses");
    }
}

bool WindowCore::LogTicked() const {
    return runControlsEnabled_ ? face_.LogTicked() : logTicked_;
}

void WindowCore::SetLogTicked(bool ticked) {
    face_.SetLogTicked(ticked);
    logTicked_ = ticked;
}

void WindowCore::SetRunControlsEnabled(bool enabled) {
    if (!enabled && runControlsEnabled_) logTicked_ = face_.LogTicked();
    runControlsEnabled_ = enabled;
    face_.SetRunControlsEnabled(enabled);
}

void WindowCore::Yield() {
    // A run yields twice a line; events are let through at most once a
    // millisecond, sooner than any user can tell, and a tight script is not
    // held up by a window that has nothing to do.
    const auto now = std::chrono::steady_clock::now();
    if (lastYield_ && now - *lastYield_ < kYieldEvery) return;
    lastYield_ = now;
    face_.ProcessEvents();
}

// ---- The running line ----

void WindowCore::ShowRunningLine(std::string_view script, std::size_t offset) {
    runningLine_ = runningLines_.LineOf(script, offset);
    runningLinePending_ = true;
    if (!face_.TimerActive(WindowTimer::RunningLine)) ApplyRunningLine();
}

void WindowCore::ApplyRunningLine() {
    runningLinePending_ = false;
    face_.SetRunningLine(runningLine_);
    face_.StartTimer(WindowTimer::RunningLine, kRunningLineMs);
}

void WindowCore::ResetRunningLine() {
    runningLines_.Reset();
    runningLinePending_ = false;
    face_.StopTimer(WindowTimer::RunningLine);
    face_.SetRunningLine(-1);
}

// ---- Script files ----

void WindowCore::NewClicked() {
    if (!Running()) document_.New();
}

void WindowCore::OpenClicked() {
    if (!Running()) document_.Open();
}

void WindowCore::RecentClicked(int index) {
    if (!Running()) document_.OpenRecent(index);
}

// ---- The script check ----

void WindowCore::ScriptEdited() {
    // While a run calls or chains, the editor shows another script; the
    // user's own is checked once the run is over.
    if (Running()) {
        checkPending_ = true;
        return;
    }
    if (!face_.TimerActive(WindowTimer::Check)) face_.StartTimer(WindowTimer::Check, kCheckEveryMs);
}

void WindowCore::CheckScriptNow() {
    checkPending_ = false;
    face_.StopTimer(WindowTimer::Check);
    CheckedScript script;
    script.text = document_.Text();
    script.path = document_.CurrentFile();
    findings_ = CheckScript(script);
    face_.ShowFindings(findings_);
    ShowFindingsPane();
}

void WindowCore::ShowFindingsPane() {
    face_.SetFindingsPaneVisible(findingsListShown_ && !findings_.empty());
}

void WindowCore::SetFindingsListShown(bool shown) {
    findingsListShown_ = shown;
    ShowFindingsPane();
}

void WindowCore::FindingClicked(std::size_t index) {
    if (index < findings_.size())
        face_.GoToScriptLine(findings_[index].line, findings_[index].column);
}

// ---- Runs and run control ----

void WindowCore::RunScriptClicked() {
    if (Running()) return;
    // Errors found before the run are certain to go wrong during it.
    CheckScriptNow();
    const auto errors = std::count_if(findings_.begin(), findings_.end(), [](const Finding& f) {
        return f.severity == Severity::Error;
    });
    if (errors > 0) {
        const std::string text = "The script has " + std::to_string(errors) +
                                 (errors == 1 ? " error" : " errors") + ". Run anyway?";
        if (face_.Dialogs().AskYesNo(text, BaseCaption()) != Answer::Yes) return;
    }
    StartRun(false);
}

void WindowCore::CommandLabelClicked() {
    if (runControlsEnabled_) StartRun(true);
}

void WindowCore::StartRun(bool listOnly) {
    if (Running()) return;
    runStartText_ = EditorText();
    runCurrentFile_.reset();
    if (listOnly)
        runner_->ListOnlyRun();
    else
        runner_->RunScript();
    AfterRun();
}

void WindowCore::AfterRun() {
    // The user's script comes back with its own file and title, whatever the
    // run called or chained.
    ShowUserDocument();
    ResetRunningLine();
    runCurrentFile_.reset();
    runStartText_.clear();
    runTitle_.reset();
    face_.SetCaption(document_.Title());
    face_.SetBusyPointer(false);
    WaitEnded();
    SyncPane();
    face_.StopTimer(WindowTimer::CloseGrace);
    if (checkPending_) ScriptEdited();
    if (closeRequested_) {
        closeRequested_ = false;
        face_.PostClose();
    }
}

void WindowCore::CancelClicked() {
    // A host being started on demand is given up, and the process it began ended.
    if (link_.Starting()) link_.CancelStart();
    runner_->CancelButton();
}

void WindowCore::EscapePressed() {
    if (!runControlsEnabled_) runner_->EscapeKey();
}

void WindowCore::SendHardCancelClicked() {
    link_.HardCancel();
    // The line goes to the user's script, also while a run shows another.
    document_.AppendLine("hardcancel");
}

void WindowCore::DynamicClicked() {
    face_.SetDynamicText(link_.DynReturn());
}

// ---- The status bar while a command waits ----

void WindowCore::WaitStarted(std::string_view command) {
    waitingCommand_ = std::string(command);
    waitStart_ = std::chrono::steady_clock::now();
    // Most commands are answered well within a millisecond; a status bar
    // redrawn for each of them cost more than the command. It shows once a
    // command has waited a moment.
    face_.StartTimer(WindowTimer::WaitStatus, kWaitStatusAfterMs);
}

void WindowCore::WaitEnded() {
    if (!waitingCommand_) return;
    face_.StopTimer(WindowTimer::WaitStatus);
    waitingCommand_.reset();
    SetStatus({});
}

void WindowCore::ShowWaitStatus() {
    if (link_.HardCancelUnanswered()) {
        SetStatus("KORVA does not answer the hard cancel");
        return;
    }
    if (!waitingCommand_) return;
    // The tick comes about each second; round so it reads 1, 2, 3 ...
    const auto waited = std::chrono::duration_cast<std::chrono::milliseconds>(
                            std::chrono::steady_clock::now() - waitStart_)
                            .count();
    SetStatus("Waiting " + std::to_string((waited + 500) / 1000) +
              " s for KORVA: " + *waitingCommand_ + "    (Ctrl+E sends a hard cancel)");
}

void WindowCore::SetStatus(std::string text) {
    // Every host command ends its wait with an empty status.
    if (text == status_) return;
    status_ = std::move(text);
    face_.SetStatus(status_);
}

// ---- Find ----

void WindowCore::FindClicked() {
    const std::optional<std::string> text = face_.Dialogs().AskFindText(findString_);
    if (!text) return;
    findString_ = *text;
    FindAgain();
}

void WindowCore::FindAgain() {
    const std::optional<TextPane> focus = face_.FocusPane();
    const TextPane pane = focus == TextPane::Response ? TextPane::Response : TextPane::Script;
    FindNext(pane, focus == pane);
}

void WindowCore::FindNext(TextPane pane, bool hasFocus) {
    if (findString_.empty()) return;
    // From the caret; from the selection's end when the pane has the focus,
    // so F3 moves on from the match it shows.
    const auto [start, end] = face_.PaneSelection(pane);
    const std::u16string what = Utf8ToUtf16(findString_);
    const std::optional<std::size_t> at =
        FindIgnoringCase(face_.PaneSearchText(pane), what, hasFocus ? end : start);
    if (!at) {
        Message(MessageKind::Plain,
                "Unable to find '" + findString_ + "' in remainder of" +
                    (pane == TextPane::Response ? " response" : " script") + " text.",
                "");
        return;
    }
    face_.SelectInPane(pane, *at, *at + what.size());
    face_.ProcessEvents();
}

// ---- Help and About ----

void WindowCore::HelpMenuSet() {
    face_.SetHelpEntries(HasDocument(ManualPath(options_.programDir)),
                         HasDocument(options_.programDir + "/talvex.hlp"));
}

void WindowCore::HelpViewClicked() {
    ShowDocument(ManualPath(options_.programDir));
}

void WindowCore::HelpContentsClicked() {
    ShowDocument(options_.programDir + "/talvex.hlp");
}

void WindowCore::ShowDocument(const std::string& path) {
    if (face_.Dialogs().OpenDocument(path)) return;
    Message(MessageKind::Information, "Unable to display " + path, "");
}

void WindowCore::AboutClicked() {
    face_.Dialogs().ShowAbout(Environment::system().version);
}

} // namespace talvex
