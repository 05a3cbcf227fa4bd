// A RichEdit control as one of the window's text panes: the script editor
// (highlighting, line numbers in a margin, the caret's and the running line
// tinted, the raw-text marks) or the read-only response pane. Positions count
// UTF-16 units with one for a line break, as RichEdit and the core do.
#pragma once

#include "ddelink/win32.h"
#include "win32/styled_lines.h"

#include <richedit.h>

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

struct ITextDocument;

namespace talvex {

// Whether RichEdit may have drawn over what is painted on top of it once it
// has handled `msg`: it draws some changes at once, outside WM_PAINT.
inline bool DrawsOverOverlays(UINT msg, WPARAM wp) {
    switch (msg) {
    case WM_PAINT:
    case WM_CHAR:
    case WM_KEYDOWN:
    case WM_VSCROLL:
    case WM_HSCROLL:
    case WM_MOUSEWHEEL:
    case WM_LBUTTONUP:
    case WM_SIZE:
        return true;
    case WM_MOUSEMOVE:
        return (wp & MK_LBUTTON) != 0;
    default:
        return false;
    }
}

class RichPane {
public:
    enum class Kind { Script, Response };

    // Loads the RichEdit library; false when the system has none.
    static bool LoadRichEdit();
    // The RichEdit window class loaded.
    static const wchar_t* ClassName();

    RichPane(HWND parent, int id, Kind kind);
    ~RichPane();
    RichPane(const RichPane&) = delete;
    RichPane& operator=(const RichPane&) = delete;

    HWND Handle() const { return hwnd_; }
    // Called when a new text has put a new control in the old one's place.
    void OnReplaced(std::function<void(HWND old, HWND now)> replaced) {
        replaced_ = std::move(replaced);
    }
    // The face and its size in twips (a point is 20), for a window at `dpi`.
    void SetFont(const std::wstring& face, int twips, int dpi);
    // The wait pointer over the pane while the window is busy.
    void SetBusyPointer(bool busy) { busyPointer_ = busy; }
    void SetReadOnly(bool readOnly);
    // A run is going on: lines it scrolls into view are styled later.
    void SetRunning(bool running) { running_ = running; }

    // The engine's text (UTF-8, CR LF between lines) shown, marked and without
    // undo across it; the caret at the start.
    void SetText(std::string_view text);
    // The shown text back as the engine holds it, marks restored.
    std::string Text() const;
    // The shown text, LF between lines.
    std::u16string SearchText() const;
    // Inserts UTF-16 text at the end as typing would.
    void AppendText(std::u16string_view text);
    int LineCount() const;
    // Without the final paragraph mark.
    LONG TextLength() const;

    std::pair<std::size_t, std::size_t> Selection() const;
    void Select(std::size_t start, std::size_t end);

    // The response pane: replaces [from, end) with `insert` (LF between
    // lines), after dropping `dropFront` units from the front.
    void ReplaceTail(std::size_t dropFront, std::size_t from, std::u16string_view insert);
    // The response pane: shows `text` (LF between lines) in place of all it held.
    void ReplaceAll(std::u16string_view text);
    void ScrollToEnd();

    // The script editor.
    void SetRunningLine(int line);
    // After the text changed (EN_CHANGE): marks the lines around the caret again.
    void TextChanged();
    // After the selection changed (EN_SELCHANGE): the caret's line tint follows.
    void SelectionChanged();

private:
    static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id,
                                         DWORD_PTR self);
    LRESULT Handle(UINT msg, WPARAM wp, LPARAM lp);
    void Create(HWND parent, int id, DWORD style, int x, int y, int width, int height);
    void Recreate();
    void ApplyFont(WPARAM which);
    void HighlightLines(int first, int last);
    void ScheduleStyle(UINT ms);
    // Styles the unstyled lines in view.
    void StyleVisible();
    void PaintOverlays();
    void UpdateMargin();
    void PlaceText();
    void Redraw(bool on);
    int LineTop(int line) const;
    int LineHeight() const;
    int ScrollY() const;
    int TopOf(int line) const;
    int FirstVisible() const;
    int VisibleRows() const;
    void SuspendUndo(bool suspend);
    void ApplyMarks(const std::u16string& shown,
                    const std::vector<std::pair<std::size_t, char16_t>>& marks);

    HWND hwnd_ = nullptr;
    Kind kind_;
    std::function<void(HWND, HWND)> replaced_;
    ITextDocument* tom_ = nullptr;
    HFONT marginFont_ = nullptr;
    int marginWidth_ = 0;
    int dpi_ = 96;
    std::wstring face_;
    int twips_ = 165;
    int lineHeight_ = 13;
    mutable int measuredHeight_ = 0;
    mutable int originY_ = 0; // line 0's top when scrolled to the start
    StyledLines styled_;
    bool styleDue_ = false;
    bool running_ = false;
    int styledFirst_ = -1; // the first line in view when lines were last styled
    int lines_ = 1;
    int caretLine_ = 0;
    int runningLine_ = -1;
    bool busy_ = false; // our own changes: no notifications, no overlays
    bool busyPointer_ = false;
    bool redrawOff_ = false;
};

} // namespace talvex
