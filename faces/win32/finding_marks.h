// The script check's findings marked under their text in the script editor
// (a RichEdit): a wavy line from the finding's column to the line's end, red
// for an error, orange for a warning, painted over what RichEdit draws. The
// text's formats are left alone: RichEdit under Wine lays out the whole text
// again for each format change (seconds for a long script) and draws no wave.
// Marks follow the lines an edit moves until the next check replaces them.
// Each position asked of RichEdit walks its text from the start, so marks
// are placed when painted, and only those in view.
#pragma once

#include "ddelink/win32.h"
#include "engine/script_check.h"

#include <cstddef>
#include <optional>
#include <utility>
#include <vector>

namespace talvex {

// Where 1-based character `column` of `line` (0-based) of a RichEdit starts,
// in UTF-16 units from the line's start, at most the line's length: a
// character beyond the first plane is two units.
int ColumnUnits(HWND edit, int line, long column);

class FindingMarks {
public:
    // A script full of faults is marked where the user starts to read; the
    // list names them all.
    static constexpr std::size_t kMostMarks = 2000;
    static constexpr COLORREF kErrorColour = RGB(220, 0, 0);
    static constexpr COLORREF kWarningColour = RGB(230, 140, 0);

    struct Mark {
        int line;    // 0-based
        long column; // 1-based, in characters
        bool error;
    };

    explicit FindingMarks(HWND edit);
    ~FindingMarks();
    FindingMarks(const FindingMarks&) = delete;
    FindingMarks& operator=(const FindingMarks&) = delete;

    // The editor marked, and a new one taking its place (a long text comes
    // in a new control): no marks until the next check.
    HWND Edit() const { return edit_; }
    void Attach(HWND edit);

    // Replaces the marks with those of `findings`.
    void Show(const std::vector<Finding>& findings);
    // The editor's notifications: the selection moved (where an edit will
    // start), the text changed.
    void SelectionChanged();
    void TextChanged();
    // The text was replaced whole: no marks until the next check.
    void TextReplaced();

    const std::vector<Mark>& Marks() const { return marks_; }
    // Mark `i`'s text in its line, in UTF-16 units: from its column to the
    // line's end, at least one unit.
    std::pair<int, int> MarkedUnits(std::size_t i) const;
    // Where mark `i`'s line is painted, in the editor's client area; none
    // when it is out of view.
    std::optional<RECT> WaveRect(std::size_t i) const;

private:
    static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id,
                                         DWORD_PTR self);
    int LineOf(LONG position) const;
    int LineCount() const;
    void Paint();

    HWND edit_;
    std::vector<Mark> marks_; // by line
    int lines_ = 1;
    int editFrom_ = 0; // the line the selection started on before an edit
};

} // namespace talvex
