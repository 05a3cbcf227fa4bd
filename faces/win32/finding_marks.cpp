#include "win32/finding_marks.h"

#include "win32/rich_pane.h"

#include <commctrl.h>
#include <richedit.h>

#include <algorithm>
#include <string>

namespace talvex {

namespace {

constexpr UINT_PTR kSubclassId = 2;

LONG LineStart(HWND edit, int line) {
    return static_cast<LONG>(SendMessageW(edit, EM_LINEINDEX, static_cast<WPARAM>(line), 0));
}

POINTL PositionOf(HWND edit, LONG at) {
    POINTL p{};
    SendMessageW(edit, EM_POSFROMCHAR, reinterpret_cast<WPARAM>(&p), at);
    return p;
}

struct LineText {
    LONG start = -1;
    int length = 0;
};

LineText LineAt(HWND edit, int line) {
    LineText l;
    l.start = LineStart(edit, line);
    if (l.start >= 0)
        l.length =
            static_cast<int>(SendMessageW(edit, EM_LINELENGTH, static_cast<WPARAM>(l.start), 0));
    return l;
}

int UnitsOfColumn(HWND edit, const LineText& l, long column) {
    if (column <= 1 || l.start < 0) return 0;
    // Enough of the line for `column` characters of two units each.
    const int length = static_cast<int>(std::min<long>(l.length, 2 * (column - 1)));
    std::u16string text(static_cast<std::size_t>(length) + 1, u'\0');
    TEXTRANGEW range{{l.start, l.start + length}, reinterpret_cast<LPWSTR>(text.data())};
    SendMessageW(edit, EM_GETTEXTRANGE, 0, reinterpret_cast<LPARAM>(&range));
    int at = 0;
    for (long c = 1; c < column && at < length; ++c)
        at += text[static_cast<std::size_t>(at)] >= 0xD800 &&
                      text[static_cast<std::size_t>(at)] < 0xDC00 && at + 1 < length
                  ? 2
                  : 1;
    return at;
}

std::pair<int, int> Marked(HWND edit, const LineText& l, long column) {
    const int from = std::min(UnitsOfColumn(edit, l, column), std::max(0, l.length - 1));
    return {from, std::max(from + 1, l.length)};
}

} // namespace

int ColumnUnits(HWND edit, int line, long column) {
    return UnitsOfColumn(edit, LineAt(edit, line), column);
}

FindingMarks::FindingMarks(HWND edit) : edit_(edit) {
    lines_ = LineCount();
    SetWindowSubclass(edit_, &FindingMarks::SubclassProc, kSubclassId,
                      reinterpret_cast<DWORD_PTR>(this));
}

void FindingMarks::Attach(HWND edit) {
    if (IsWindow(edit_)) RemoveWindowSubclass(edit_, &FindingMarks::SubclassProc, kSubclassId);
    edit_ = edit;
    marks_.clear();
    lines_ = LineCount();
    editFrom_ = 0;
    SetWindowSubclass(edit_, &FindingMarks::SubclassProc, kSubclassId,
                      reinterpret_cast<DWORD_PTR>(this));
}

FindingMarks::~FindingMarks() {
    if (IsWindow(edit_)) RemoveWindowSubclass(edit_, &FindingMarks::SubclassProc, kSubclassId);
}

int FindingMarks::LineCount() const {
    return std::max<int>(1, static_cast<int>(SendMessageW(edit_, EM_GETLINECOUNT, 0, 0)));
}

int FindingMarks::LineOf(LONG position) const {
    return static_cast<int>(SendMessageW(edit_, EM_EXLINEFROMCHAR, 0, position));
}

void FindingMarks::Show(const std::vector<Finding>& findings) {
    marks_.clear();
    lines_ = LineCount();
    for (const Finding& f : findings) {
        if (marks_.size() == kMostMarks) break;
        const int line = static_cast<int>(f.line) - 1;
        if (line >= 0 && line < lines_)
            marks_.push_back({line, f.column, f.severity == Severity::Error});
    }
    std::stable_sort(marks_.begin(), marks_.end(),
                     [](const Mark& a, const Mark& b) { return a.line < b.line; });
    if (IsWindowVisible(edit_)) InvalidateRect(edit_, nullptr, FALSE);
}

void FindingMarks::SelectionChanged() {
    CHARRANGE r{};
    SendMessageW(edit_, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&r));
    editFrom_ = LineOf(r.cpMin);
}

void FindingMarks::TextChanged() {
    // The edit ended on the caret's line; the text has `delta` lines more.
    // Marks past the edit's old end move with their lines; those on the
    // edited lines go until the next check.
    const int count = LineCount();
    const int delta = count - lines_;
    lines_ = count;
    CHARRANGE r{};
    SendMessageW(edit_, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&r));
    const int caret = LineOf(r.cpMax);
    const int oldEnd = caret - delta;
    const int from = std::max(0, std::min({editFrom_, caret, caret - std::max(delta, 0)}));
    std::erase_if(marks_, [&](Mark& m) {
        if (m.line > oldEnd) {
            m.line += delta;
            return false;
        }
        return m.line >= from;
    });
    editFrom_ = caret;
}

void FindingMarks::TextReplaced() {
    marks_.clear();
    lines_ = LineCount();
    editFrom_ = 0;
}

std::pair<int, int> FindingMarks::MarkedUnits(std::size_t i) const {
    const Mark& m = marks_.at(i);
    return Marked(edit_, LineAt(edit_, m.line), m.column);
}

std::optional<RECT> FindingMarks::WaveRect(std::size_t i) const {
    if (i >= marks_.size()) return std::nullopt;
    const Mark& m = marks_[i];
    const int first = static_cast<int>(SendMessageW(edit_, EM_GETFIRSTVISIBLELINE, 0, 0));
    if (m.line < first || m.line >= LineCount()) return std::nullopt;
    const LineText l = LineAt(edit_, m.line);
    if (l.start < 0) return std::nullopt;
    RECT client{};
    GetClientRect(edit_, &client);
    const auto [from, to] = Marked(edit_, l, m.column);
    const POINTL a = PositionOf(edit_, l.start + from);
    if (a.y >= client.bottom) return std::nullopt;
    const POINTL b = PositionOf(edit_, l.start + std::min(to, l.length));
    // One font for the whole editor: every line is as high as the first
    // (asked at the text's start, where it costs least).
    int height = 0;
    if (LineCount() > 1) height = PositionOf(edit_, LineStart(edit_, 1)).y - PositionOf(edit_, 0).y;
    const int dpi = static_cast<int>(GetDpiForWindow(edit_));
    if (height <= 0) height = MulDiv(16, dpi, 96);
    return RECT{a.x, a.y, std::max(b.x, a.x + MulDiv(6, dpi, 96)), a.y + height};
}

void FindingMarks::Paint() {
    if (marks_.empty() || !IsWindowVisible(edit_)) return;
    const int first = static_cast<int>(SendMessageW(edit_, EM_GETFIRSTVISIBLELINE, 0, 0));
    RECT text{};
    SendMessageW(edit_, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&text));
    POINTL bottom{text.left, text.bottom - 1};
    const int last = LineOf(static_cast<LONG>(
        SendMessageW(edit_, EM_CHARFROMPOS, 0, reinterpret_cast<LPARAM>(&bottom))));
    auto it = std::lower_bound(marks_.begin(), marks_.end(), first,
                               [](const Mark& m, int line) { return m.line < line; });
    if (it == marks_.end() || it->line > last) return;
    const int amplitude = std::max(2, MulDiv(2, GetDpiForWindow(edit_), 96));
    HDC dc = GetDC(edit_);
    IntersectClipRect(dc, text.left, text.top, text.right, text.bottom);
    HPEN pens[2] = {CreatePen(PS_SOLID, 1, kWarningColour), CreatePen(PS_SOLID, 1, kErrorColour)};
    HGDIOBJ old = SelectObject(dc, pens[0]);
    std::vector<POINT> wave;
    for (; it != marks_.end() && it->line <= last; ++it) {
        const auto r = WaveRect(static_cast<std::size_t>(it - marks_.begin()));
        if (!r) continue;
        SelectObject(dc, pens[it->error ? 1 : 0]);
        wave.clear();
        const int base = r->bottom - 1;
        for (int x = r->left, up = 0; x <= r->right; x += amplitude, up ^= 1)
            wave.push_back({x, base - up * amplitude});
        Polyline(dc, wave.data(), static_cast<int>(wave.size()));
    }
    SelectObject(dc, old);
    for (HPEN p : pens)
        DeleteObject(p);
    ReleaseDC(edit_, dc);
}

LRESULT CALLBACK FindingMarks::SubclassProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR,
                                            DWORD_PTR self) {
    auto* marks = reinterpret_cast<FindingMarks*>(self);
    if (msg == WM_NCDESTROY) {
        RemoveWindowSubclass(hwnd, &FindingMarks::SubclassProc, kSubclassId);
        return DefSubclassProc(hwnd, msg, wp, lp);
    }
    const LRESULT result = DefSubclassProc(hwnd, msg, wp, lp);
    if (DrawsOverOverlays(msg, wp)) marks->Paint();
    return result;
}

} // namespace talvex
