// The engine's view of the main window: the response pane, the log check box,
// the editor, the title, message boxes, the log dialog, the pointer and the run
// controls. The GUI shows these for real; the headless runner streams the pane
// to standard output and writes message boxes to standard error; tests record.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace talvex {

enum class MessageKind { Information, Warning, Critical, Plain };
enum class Answer { Yes, No, Cancel };

class WindowInterface {
public:
    virtual ~WindowInterface() = default;

    // The response pane. Lengths count characters; texts are UTF-8 with CR LF.
    virtual std::size_t PaneLength() const = 0;
    virtual std::string PaneText() const = 0;
    virtual void PaneAppend(std::string_view text) = 0;
    // Drops everything after the first `length` characters.
    virtual void PaneCutBack(std::size_t length) = 0;
    virtual void PaneReplace(std::string_view text) = 0;
    // False for a pane that keeps everything (the headless runner streams and
    // never cuts); then the 25000-character limit does not apply.
    virtual bool PaneHasLimit() const { return true; }
    // Moves the pane's view to its end.
    virtual void ScrollToEnd() {}

    // The "Log KORVA RCL Response to a file." check box.
    virtual bool LogTicked() const = 0;
    virtual void SetLogTicked(bool ticked) = 0;

    // The editor and the window around it.
    virtual std::string EditorText() const = 0;
    virtual void SetEditorText(std::string_view text) = 0;
    virtual std::string Title() const = 0;
    virtual void SetTitle(std::string_view title) = 0;
    virtual std::string BaseCaption() const = 0;
    virtual bool FileSaved() const = 0;
    virtual void SetFileSaved(bool saved) = 0;
    virtual std::string CurrentFile() const = 0;
    virtual void SetCurrentFile(std::string_view path) = 0;

    // Modal message boxes; `text` may hold CR LF.
    virtual void Message(MessageKind kind, std::string_view text, std::string_view title) = 0;
    virtual Answer AskYesNo(std::string_view text, std::string_view title) = 0;
    virtual Answer AskYesNoCancel(std::string_view text, std::string_view title) = 0;
    // The save dialog for the response log; "" when the user cancelled.
    virtual std::string AskLogFile(std::string_view proposedName) = 0;

    virtual void SetBusyPointer(bool busy) = 0;
    // Disables or enables the File menu, Run, Exit and the log check box.
    virtual void SetRunControlsEnabled(bool enabled) = 0;
    // A line-by-line run is about to run the line at byte `offset` of
    // `script`, the text of the level that runs (the editor's or a called
    // script's). Called for every line, so it must be cheap; a window that
    // marks the line does so at its own pace. Ignored without an editor.
    virtual void ShowRunningLine(std::string_view script, std::size_t offset) {
        (void)script;
        (void)offset;
    }
    // Lets pending window events run, without a pacing sleep: processing the
    // events is what keeps the window responsive, and a tight script then runs
    // at the engine's speed.
    virtual void Yield() = 0;
};

} // namespace talvex
