// What the window core asks of a window: its controls' texts and states, the
// editor and the response pane as widgets, the pointer, timers and every
// dialog. A face (Qt on Linux, Win32 on Windows) implements it with widgets;
// tests implement it with a recorder. Its dialogs are an interface of their
// own, so the same scripted answers serve the core's and the faces' tests. Texts are UTF-8; the
// engine's line break, CR LF, stands between lines.
#pragma once

#include "engine/script_check.h"
#include "windowcore/window_dialogs.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace talvex {

// The core's timers; the face runs them and calls WindowCore::TimerFired.
enum class WindowTimer { PaneSync, RunningLine, WaitStatus, CloseGrace, Check };
inline constexpr std::size_t kWindowTimerCount = 5;

// The two text panes Find searches.
enum class TextPane { Script, Response };

class WindowFace {
public:
    virtual ~WindowFace() = default;

    // The window.
    virtual void SetCaption(std::string_view caption) = 0;
    virtual void SetStatus(std::string_view text) = 0; // "" clears it
    virtual void SetBusyPointer(bool busy) = 0;
    // The File menu and its entries, Run, Exit and the log check box.
    virtual void SetRunControlsEnabled(bool enabled) = 0;
    virtual bool LogTicked() const = 0;
    virtual void SetLogTicked(bool ticked) = 0;
    virtual void SetDynamicText(std::string_view text) = 0;
    // Help > View and Help > Contents shown or hidden.
    virtual void SetHelpEntries(bool view, bool contents) = 0;
    // The File menu's recent entries, slot 1 first, "" for a slot not in
    // use; the separator above them.
    virtual void SetRecentEntries(const std::vector<std::string>& paths, bool separator) = 0;
    // Closes the window once the current event has been handled; the close
    // asks WindowCore::CloseRequested as any other.
    virtual void PostClose() = 0;
    // Lets pending events run.
    virtual void ProcessEvents() = 0;

    // The editor. It shows the user's script, or while a run calls or chains,
    // that script read-only in a document of its own.
    virtual std::string EditorText() const = 0; // the user's script, as the engine holds it
    // Replaces the user's script: no undo across it, the caret at the start.
    virtual void LoadEditor(std::string_view text) = 0;
    // Adds a line at the end of the user's script as typing would.
    virtual void AppendEditorLine(std::string_view line) = 0;
    virtual void ShowRunDocument(std::string_view text) = 0;
    virtual void ShowUserDocument() = 0;
    // The line (0-based) a run is at, -1 for none.
    virtual void SetRunningLine(int line) = 0;

    // The script check's findings for the user's script: marked under their
    // text in the editor and listed in the pane below it, in this order.
    virtual void ShowFindings(const std::vector<Finding>& findings) { (void)findings; }
    // Shows or hides the findings pane; the editor takes its height when hidden.
    virtual void SetFindingsPaneVisible(bool visible) { (void)visible; }
    // Puts the editor's caret on `line` at `column` (both 1-based) and shows it.
    virtual void GoToScriptLine(long line, long column) {
        (void)line;
        (void)column;
    }

    // The response pane widget: brings it from showing `shown` to `text`.
    virtual void UpdatePane(std::string_view shown, std::string_view text) = 0;
    virtual void ScrollPaneToEnd() = 0;

    // Find: the pane that has, or last had, the focus (none when another
    // control has it); a pane's text as UTF-16 with LF between lines, the
    // positions a selection counts in.
    virtual std::optional<TextPane> FocusPane() const = 0;
    virtual std::u16string PaneSearchText(TextPane pane) const = 0;
    virtual std::pair<std::size_t, std::size_t> PaneSelection(TextPane pane) const = 0;
    // Selects [start, end) of `pane`, shows it and gives the pane the focus.
    virtual void SelectInPane(TextPane pane, std::size_t start, std::size_t end) = 0;

    // Timers: single shots; starting a running one restarts it.
    virtual void StartTimer(WindowTimer timer, int ms) = 0;
    virtual void StopTimer(WindowTimer timer) = 0;
    virtual bool TimerActive(WindowTimer timer) const = 0;

    // The window's dialogs.
    virtual WindowDialogs& Dialogs() = 0;
    // The link window's texts changed (WindowCore::LinkWindowTexts).
    virtual void RefreshLinkWindow() = 0;
};

} // namespace talvex
