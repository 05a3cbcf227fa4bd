// A window without widgets for the window core's tests: a face that records
// what the core shows, dialogs that answer as a test says, a host link that
// answers in memory, and settings in a map. Nothing needs a display or a host.
#pragma once

#include "tests/windowcore/fake_link.h"
#include "windowcore/window_core.h"

#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace talvex::testing {

class ScriptedDialogs : public WindowDialogs {
public:
    void Message(MessageKind kind, std::string_view text, std::string_view title) override;
    Answer AskYesNo(std::string_view text, std::string_view title) override;
    Answer AskYesNoCancel(std::string_view text, std::string_view title) override;
    std::string OpenFileName(const FileDialogSetup& setup) override;
    std::string SaveFileName(const FileDialogSetup& setup) override;
    bool OpenDocument(const std::string& path) override;
    std::optional<std::string> AskFindText(std::string_view text) override;
    void ShowAbout(const ProgramVersion& version) override;

    std::vector<std::string> messages; // texts of the message boxes, in order
    std::vector<std::string> questions;
    std::deque<Answer> answers;          // a question takes the next; Cancel when none is left
    std::deque<std::string> fileAnswers; // a file dialog takes the next; "" when none
    std::vector<FileDialogSetup> fileDialogs;
    std::vector<std::string> documents; // paths handed to the desktop
    bool documentsOpen = true;
    std::optional<std::string> findAnswer;
    int abouts = 0;
    // Runs inside each message box and question, as a user's reading time would.
    std::function<void()> whileShown;
};

class FakeFace : public WindowFace {
public:
    void SetCaption(std::string_view c) override { caption = c; }
    void SetStatus(std::string_view t) override { status = t; }
    void SetBusyPointer(bool b) override { busy = b; }
    void SetRunControlsEnabled(bool e) override { runControls = e; }
    bool LogTicked() const override { return logTicked; }
    void SetLogTicked(bool t) override { logTicked = t; }
    void SetDynamicText(std::string_view t) override { dynamic = t; }
    void SetHelpEntries(bool view, bool contents) override { help = {view, contents}; }
    void SetRecentEntries(const std::vector<std::string>& paths, bool sep) override {
        recent = paths;
        separator = sep;
    }
    void PostClose() override { ++closes; }
    void ProcessEvents() override;
    std::string EditorText() const override { return editor; }
    void LoadEditor(std::string_view text) override { editor = text; }
    void AppendEditorLine(std::string_view line) override;
    void ShowRunDocument(std::string_view text) override {
        runDocument = text;
        runDocumentsShown.emplace_back(text);
    }
    void ShowUserDocument() override { runDocument.reset(); }
    void SetRunningLine(int line) override { runningLines.push_back(line); }
    void UpdatePane(std::string_view, std::string_view text) override { pane = text; }
    void ScrollPaneToEnd() override {}
    std::optional<TextPane> FocusPane() const override { return focus; }
    std::u16string PaneSearchText(TextPane p) const override;
    std::pair<std::size_t, std::size_t> PaneSelection(TextPane p) const override;
    void SelectInPane(TextPane p, std::size_t start, std::size_t end) override;
    void StartTimer(WindowTimer t, int ms) override { timers[t] = ms; }
    void StopTimer(WindowTimer t) override { timers.erase(t); }
    bool TimerActive(WindowTimer t) const override { return timers.count(t) > 0; }
    WindowDialogs& Dialogs() override { return dialogs; }
    void RefreshLinkWindow() override { ++linkRefreshes; }
    void ShowFindings(const std::vector<Finding>& f) override { findings = f; }
    void SetFindingsPaneVisible(bool visible) override { findingsPane = visible; }
    void GoToScriptLine(long line, long column) override { caretAt = {line, column}; }

    // Runs a timer's due event, as the face's event loop would.
    void Fire(WindowCore& core, WindowTimer t);

    ScriptedDialogs dialogs;
    std::string caption, status, dynamic, editor, pane;
    std::optional<std::string> runDocument;
    std::vector<std::string> runDocumentsShown;
    bool busy = false, runControls = true, logTicked = false, separator = false;
    std::pair<bool, bool> help{};
    std::vector<std::string> recent;
    std::vector<int> runningLines;
    int closes = 0, linkRefreshes = 0;
    std::map<WindowTimer, int> timers;
    std::optional<TextPane> focus;
    std::vector<Finding> findings;
    bool findingsPane = false;
    std::pair<long, long> caretAt{};
    std::map<TextPane, std::pair<std::size_t, std::size_t>> selection;
    // Called from ProcessEvents: what the user does while a run goes on.
    std::function<void()> onEvents;
};

class MapSettings : public SettingsPort {
public:
    std::string Read(std::string_view group, std::string_view key) override;
    void Write(std::string_view group, std::string_view key, std::string_view value) override;
    std::map<std::string, std::string> values; // "group/key"
};

// A core over the fakes; the program's folder is `programDir`.
struct FakeWindow {
    explicit FakeWindow(std::string programDir = ".");
    FakeFace face;
    FakeLink link;
    MapSettings settings;
    std::unique_ptr<WindowCore> core;
    // Puts a script into the editor as if it had just been opened from `file`.
    void SetScript(std::string_view text, const std::string& file = {});
    // The user types at the end of the editor.
    void Type(std::string_view text);
};

} // namespace talvex::testing
