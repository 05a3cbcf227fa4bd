#include "win32/rich_pane.h"

#include "engine/text_codec.h"
#include "windowcore/editor_text.h"
#include "windowcore/script_tokens.h"

#include <commctrl.h>
#include <richole.h>
#include <tom.h>

#include <algorithm>
#include <array>
#include <vector>

namespace talvex {

namespace {

const wchar_t* g_richClass = nullptr;

// Past this length a line is marked no further: a line of a megabyte would
// cost every keystroke a pass over it.
constexpr int kMarkedLength = 4000;

// The timer that styles lines: those being typed on at most this often, so a
// keystroke in a long script costs one layout of RichEdit's, not one for each
// token of its line; those a scroll brought into view once the view rests, so
// a run that moves the view on 20 times a second is not held up by it.
constexpr UINT_PTR kStyleTimer = 0x7A51;
constexpr UINT kTypingStyleMs = 100;
constexpr UINT kScrolledStyleMs = 250;
// While a run moves the view, it rests a second before its lines are styled:
// a run that steps through its script is not held up by their colours.
constexpr UINT kRunScrolledStyleMs = 1000;
// Past this many lines a new text goes into a new control.
constexpr int kRecreateLines = 500;

constexpr COLORREF kCurrentLine = RGB(255, 255, 215);
constexpr COLORREF kRunningLine = RGB(190, 235, 190);
constexpr COLORREF kMarginBack = RGB(236, 236, 236);
constexpr COLORREF kMarginText = RGB(128, 128, 128);

struct TokenStyle {
    COLORREF colour;
    bool bold;
    bool italic;
};
// In the order of TokenKind.
constexpr std::array<TokenStyle, 8> kStyles{{
    {RGB(0, 128, 0), false, true},    // Comment
    {RGB(0, 0, 192), true, false},    // Directive
    {RGB(192, 0, 0), true, false},    // UnknownDirective
    {RGB(128, 0, 128), true, false},  // Label
    {RGB(0, 128, 128), true, false},  // Brace
    {RGB(0, 112, 160), false, false}, // SystemVariable
    {RGB(144, 96, 0), false, false},  // UserName
    {RGB(160, 32, 32), false, false}, // Quoted
}};

// The character a mark stands for, kept in the mark's own format (the
// revision author, which nothing shows while the text is not revised).
constexpr std::array<char16_t, 5> kStandsFor{u'\r', u'\n', 0x2029, 0xFDD0, 0xFDD1};

BYTE AuthorOf(char16_t c) {
    for (std::size_t i = 0; i < kStandsFor.size(); ++i)
        if (kStandsFor[i] == c) return static_cast<BYTE>(i + 1);
    return 0;
}

bool IsMarkGlyph(char16_t c) {
    return c == 0x240D || c == 0x240A || c == 0x2424 || c == 0xFFFD;
}

// {0x8CC497C0,0xA1DF,0x11CE,{0x80,0x98,0x00,0xAA,0x00,0x47,0xBE,0x5D}}
const GUID kTextDocumentId = {
    0x8CC497C0, 0xA1DF, 0x11CE, {0x80, 0x98, 0x00, 0xAA, 0x00, 0x47, 0xBE, 0x5D}};

CHARFORMAT2W Format(DWORD mask) {
    CHARFORMAT2W f{};
    f.cbSize = sizeof f;
    f.dwMask = mask;
    return f;
}

} // namespace

const wchar_t* RichPane::ClassName() {
    return g_richClass;
}

bool RichPane::LoadRichEdit() {
    if (g_richClass) return true;
    if (LoadLibraryW(L"Msftedit.dll")) {
        g_richClass = MSFTEDIT_CLASS;
        return true;
    }
    if (LoadLibraryW(L"Riched20.dll")) {
        g_richClass = RICHEDIT_CLASSW;
        return true;
    }
    return false;
}

RichPane::RichPane(HWND parent, int id, Kind kind) : kind_(kind) {
    LoadRichEdit();
    DWORD style = WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL | WS_TABSTOP | ES_MULTILINE |
                  ES_AUTOVSCROLL | ES_AUTOHSCROLL | ES_NOHIDESEL | ES_WANTRETURN;
    if (kind == Kind::Response) style |= ES_READONLY;
    Create(parent, id, style, 0, 0, 10, 10);
}

void RichPane::Create(HWND parent, int id, DWORD style, int x, int y, int width, int height) {
    hwnd_ = CreateWindowExW(WS_EX_CLIENTEDGE, g_richClass, L"", style, x, y, width, height, parent,
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                            GetModuleHandleW(nullptr), nullptr);
    SendMessageW(hwnd_, EM_EXLIMITTEXT, 0, 0x7FFFFFFF);
    if (kind_ == Kind::Response) {
        // One format for the whole pane: plain text is RichEdit's fast path.
        SendMessageW(hwnd_, EM_SETTEXTMODE, TM_PLAINTEXT | TM_SINGLELEVELUNDO, 0);
        SendMessageW(hwnd_, EM_SETUNDOLIMIT, 0, 0);
        SendMessageW(hwnd_, EM_SETEVENTMASK, 0, 0);
    } else {
        SendMessageW(hwnd_, EM_SETEVENTMASK, 0, ENM_CHANGE | ENM_SELCHANGE);
        IRichEditOle* ole = nullptr;
        if (SendMessageW(hwnd_, EM_GETOLEINTERFACE, 0, reinterpret_cast<LPARAM>(&ole)) && ole) {
            void* doc = nullptr;
            if (SUCCEEDED(ole->QueryInterface(kTextDocumentId, &doc)))
                tom_ = static_cast<ITextDocument*>(doc);
            ole->Release();
        }
    }
    SetWindowSubclass(hwnd_, &RichPane::SubclassProc, 1, reinterpret_cast<DWORD_PTR>(this));
}

void RichPane::Recreate() {
    // RichEdit takes its paragraphs out one by one, each time walking those
    // after it: emptying a long text costs minutes, where a new control
    // costs milliseconds. It takes the old one's place, style and focus.
    HWND old = hwnd_;
    HWND parent = GetParent(old);
    RECT r{};
    GetWindowRect(old, &r);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    const auto style = static_cast<DWORD>(GetWindowLongPtrW(old, GWL_STYLE));
    const bool focused = GetFocus() == old;
    if (tom_) tom_->Release();
    tom_ = nullptr;
    RemoveWindowSubclass(old, &RichPane::SubclassProc, 1);
    Create(parent, GetDlgCtrlID(old), style, r.left, r.top, r.right - r.left, r.bottom - r.top);
    SetWindowPos(hwnd_, old, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    redrawOff_ = false;
    styleDue_ = false;
    if (!face_.empty()) SetFont(face_, twips_, dpi_);
    if (focused) SetFocus(hwnd_);
    if (replaced_) replaced_(old, hwnd_);
    DestroyWindow(old);
}

RichPane::~RichPane() {
    if (tom_) tom_->Release();
    if (IsWindow(hwnd_)) RemoveWindowSubclass(hwnd_, &RichPane::SubclassProc, 1);
    if (marginFont_) DeleteObject(marginFont_);
}

LRESULT CALLBACK RichPane::SubclassProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR,
                                        DWORD_PTR self) {
    auto* pane = reinterpret_cast<RichPane*>(self);
    if (msg == WM_NCDESTROY) {
        RemoveWindowSubclass(hwnd, &RichPane::SubclassProc, 1);
        pane->hwnd_ = nullptr;
        return DefSubclassProc(hwnd, msg, wp, lp);
    }
    return pane->Handle(msg, wp, lp);
}

LRESULT RichPane::Handle(UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_TIMER && wp == kStyleTimer) {
        StyleVisible();
        return 0;
    }
    if (msg == WM_SETCURSOR && busyPointer_) {
        SetCursor(LoadCursorW(nullptr, IDC_WAIT));
        return TRUE;
    }
    const LRESULT result = DefSubclassProc(hwnd_, msg, wp, lp);
    if (kind_ != Kind::Script || busy_) return result;
    if (msg == WM_SIZE) PlaceText();
    if (DrawsOverOverlays(msg, wp)) PaintOverlays();
    return result;
}

void RichPane::SetFont(const std::wstring& face, int twips, int dpi) {
    dpi_ = dpi;
    face_ = face;
    twips_ = twips;
    ApplyFont(SCF_ALL);
    if (kind_ != Kind::Script) return;
    if (marginFont_) DeleteObject(marginFont_);
    marginFont_ = CreateFontW(-MulDiv(twips, dpi, 1440), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                              DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                              DEFAULT_QUALITY, DEFAULT_PITCH, face.c_str());
    HDC dc = GetDC(hwnd_);
    HGDIOBJ old = SelectObject(dc, marginFont_);
    TEXTMETRICW tm{};
    GetTextMetricsW(dc, &tm);
    SelectObject(dc, old);
    ReleaseDC(hwnd_, dc);
    lineHeight_ = std::max<int>(1, tm.tmHeight);
    measuredHeight_ = 0;
    marginWidth_ = -1;
    UpdateMargin();
    InvalidateRect(hwnd_, nullptr, TRUE);
}

void RichPane::ApplyFont(WPARAM which) {
    CHARFORMAT2W f = Format(CFM_FACE | CFM_SIZE | CFM_CHARSET);
    f.yHeight = twips_;
    f.bCharSet = DEFAULT_CHARSET;
    lstrcpynW(f.szFaceName, face_.c_str(), LF_FACESIZE);
    if (which != SCF_ALL) {
        // The format a new text takes: plain, in the pane's face.
        f.dwMask |= CFM_COLOR | CFM_BOLD | CFM_ITALIC | CFM_REVAUTHOR;
        f.dwEffects = CFE_AUTOCOLOR;
    }
    const bool was = busy_;
    busy_ = true;
    const LRESULT mask = SendMessageW(hwnd_, EM_SETEVENTMASK, 0, 0);
    SuspendUndo(true);
    // New text is plain: a control made in an old one's place starts from
    // RichEdit's own default font, which is bold; the response pane is one
    // format throughout.
    CHARFORMAT2W plain = f;
    plain.dwMask |= CFM_BOLD | CFM_ITALIC;
    plain.dwEffects &= ~static_cast<DWORD>(CFE_BOLD | CFE_ITALIC);
    const CHARFORMAT2W& all = kind_ == Kind::Response ? plain : f;
    SendMessageW(hwnd_, EM_SETCHARFORMAT, which, reinterpret_cast<LPARAM>(&all));
    SendMessageW(hwnd_, EM_SETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&plain));
    SuspendUndo(false);
    SendMessageW(hwnd_, EM_SETEVENTMASK, 0, mask);
    busy_ = was;
}

void RichPane::Redraw(bool on) {
    // WM_SETREDRAW sets and clears the visible style itself: a hidden pane
    // would show again, over the other.
    if (on) {
        if (redrawOff_) {
            SendMessageW(hwnd_, WM_SETREDRAW, TRUE, 0);
            // The scroll bars came and went unseen too: the frame is drawn
            // anew with the text, or what was painted there stays.
            RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME);
        }
        redrawOff_ = false;
    } else if (IsWindowVisible(hwnd_)) {
        SendMessageW(hwnd_, WM_SETREDRAW, FALSE, 0);
        redrawOff_ = true;
    }
}

void RichPane::SetReadOnly(bool readOnly) {
    SendMessageW(hwnd_, EM_SETREADONLY, readOnly, 0);
}

void RichPane::SuspendUndo(bool suspend) {
    if (tom_) tom_->Undo(suspend ? tomSuspend : tomResume, nullptr);
}

int RichPane::LineCount() const {
    return std::max<int>(1, static_cast<int>(SendMessageW(hwnd_, EM_GETLINECOUNT, 0, 0)));
}

void RichPane::SetText(std::string_view text) {
    const EditorText shown = ToEditorText(text);
    std::u16string crText = shown.text;
    std::replace(crText.begin(), crText.end(), u'\n', u'\r');
    if (LineCount() > kRecreateLines) Recreate();
    busy_ = true;
    const LRESULT mask = SendMessageW(hwnd_, EM_SETEVENTMASK, 0, 0);
    Redraw(false);
    SETTEXTEX set{ST_DEFAULT, 1200};
    if (kind_ == Kind::Script) {
        // Plain text, formatted while the pane is empty: RichEdit lays a
        // long text out once this way, where a change of format or margin
        // afterwards, or a stream of RTF with a run per token, lays out
        // every paragraph again. The lines are styled as they come into view.
        SendMessageW(hwnd_, EM_SETTEXTEX, reinterpret_cast<WPARAM>(&set),
                     reinterpret_cast<LPARAM>(L""));
        if (!face_.empty()) ApplyFont(SCF_ALL);
        lines_ = 1 + static_cast<int>(std::count(crText.begin(), crText.end(), u'\r'));
        UpdateMargin();
    }
    SendMessageW(hwnd_, EM_SETTEXTEX, reinterpret_cast<WPARAM>(&set),
                 reinterpret_cast<LPARAM>(crText.c_str()));
    if (kind_ == Kind::Script) ApplyMarks(shown.text, shown.marks);
    SendMessageW(hwnd_, EM_EMPTYUNDOBUFFER, 0, 0);
    CHARRANGE start{0, 0};
    SendMessageW(hwnd_, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&start));
    Redraw(true);
    SendMessageW(hwnd_, EM_SETEVENTMASK, 0, mask);
    busy_ = false;
    lines_ = LineCount();
    caretLine_ = 0;
    styled_.Reset(lines_);
    UpdateMargin();
    // The first lines styled before they show.
    if (kind_ == Kind::Script) StyleVisible();
    InvalidateRect(hwnd_, nullptr, TRUE);
}

void RichPane::ApplyMarks(const std::u16string&,
                          const std::vector<std::pair<std::size_t, char16_t>>& marks) {
    for (const auto& [at, c] : marks) {
        CHARRANGE r{static_cast<LONG>(at), static_cast<LONG>(at + 1)};
        SendMessageW(hwnd_, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&r));
        CHARFORMAT2W f = Format(CFM_REVAUTHOR);
        f.bRevAuthor = AuthorOf(c);
        SendMessageW(hwnd_, EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&f));
    }
}

LONG RichPane::TextLength() const {
    GETTEXTLENGTHEX length{GTL_NUMCHARS | GTL_PRECISE, 1200};
    return static_cast<LONG>(
        SendMessageW(hwnd_, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&length), 0));
}

std::u16string RichPane::SearchText() const {
    const LRESULT n = TextLength();
    std::u16string text(static_cast<std::size_t>(std::max<LRESULT>(n, 0)) + 1, u'\0');
    GETTEXTEX get{};
    get.cb = static_cast<DWORD>(text.size() * sizeof(char16_t));
    get.flags = GT_DEFAULT;
    get.codepage = 1200;
    const LRESULT got = SendMessageW(hwnd_, EM_GETTEXTEX, reinterpret_cast<WPARAM>(&get),
                                     reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<std::size_t>(std::max<LRESULT>(got, 0)));
    // Paragraphs end in CR; a CR LF is one break too.
    std::u16string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == u'\r') {
            out += u'\n';
            if (i + 1 < text.size() && text[i + 1] == u'\n') ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::string RichPane::Text() const {
    const std::u16string text = SearchText();
    std::vector<StandIn> marks;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (!IsMarkGlyph(text[i])) continue;
        // Whether this one is a mark is in its format.
        auto* self = const_cast<RichPane*>(this);
        CHARRANGE saved{};
        SendMessageW(hwnd_, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&saved));
        self->busy_ = true;
        const LRESULT mask = SendMessageW(hwnd_, EM_SETEVENTMASK, 0, 0);
        CHARRANGE r{static_cast<LONG>(i), static_cast<LONG>(i + 1)};
        SendMessageW(hwnd_, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&r));
        CHARFORMAT2W f = Format(CFM_REVAUTHOR);
        SendMessageW(hwnd_, EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&f));
        SendMessageW(hwnd_, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&saved));
        SendMessageW(hwnd_, EM_SETEVENTMASK, 0, mask);
        self->busy_ = false;
        if (f.bRevAuthor >= 1 && f.bRevAuthor <= kStandsFor.size())
            marks.emplace_back(i, kStandsFor[f.bRevAuthor - 1]);
    }
    return FromEditorText(text, marks);
}

void RichPane::AppendText(std::u16string_view text) {
    std::u16string crText(text);
    std::replace(crText.begin(), crText.end(), u'\n', u'\r');
    const LRESULT n = SendMessageW(hwnd_, WM_GETTEXTLENGTH, 0, 0);
    CHARRANGE end{static_cast<LONG>(n) + 1, static_cast<LONG>(n) + 1};
    SendMessageW(hwnd_, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&end));
    SendMessageW(hwnd_, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(crText.c_str()));
}

std::pair<std::size_t, std::size_t> RichPane::Selection() const {
    CHARRANGE r{};
    SendMessageW(hwnd_, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&r));
    return {static_cast<std::size_t>(r.cpMin), static_cast<std::size_t>(r.cpMax)};
}

void RichPane::Select(std::size_t start, std::size_t end) {
    CHARRANGE r{static_cast<LONG>(start), static_cast<LONG>(end)};
    SendMessageW(hwnd_, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&r));
    SendMessageW(hwnd_, EM_SCROLLCARET, 0, 0);
}

void RichPane::ReplaceTail(std::size_t dropFront, std::size_t from, std::u16string_view insert) {
    std::u16string crText(insert);
    std::replace(crText.begin(), crText.end(), u'\n', u'\r');
    // Each change RichEdit draws at once costs a paint of the whole pane;
    // the pane is drawn once, after both.
    const bool drawing = !redrawOff_;
    Redraw(false);
    if (dropFront > 0) {
        CHARRANGE front{0, static_cast<LONG>(dropFront)};
        SendMessageW(hwnd_, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&front));
        SendMessageW(hwnd_, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(L""));
    }
    // Up to the text's end, short of the final paragraph mark, which
    // RichEdit keeps apart from the text.
    const LONG length = TextLength();
    CHARRANGE tail{std::min(static_cast<LONG>(from), length), length};
    SendMessageW(hwnd_, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&tail));
    SendMessageW(hwnd_, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(crText.c_str()));
    if (drawing) Redraw(true);
    InvalidateRect(hwnd_, nullptr, FALSE);
}

void RichPane::ReplaceAll(std::u16string_view text) {
    std::u16string crText(text);
    std::replace(crText.begin(), crText.end(), u'\n', u'\r');
    if (LineCount() > kRecreateLines) Recreate();
    const bool drawing = !redrawOff_;
    Redraw(false);
    SETTEXTEX set{ST_DEFAULT, 1200};
    SendMessageW(hwnd_, EM_SETTEXTEX, reinterpret_cast<WPARAM>(&set),
                 reinterpret_cast<LPARAM>(crText.c_str()));
    if (drawing) Redraw(true);
    InvalidateRect(hwnd_, nullptr, FALSE);
}

void RichPane::ScrollToEnd() {
    CHARRANGE end{-1, -1};
    SendMessageW(hwnd_, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&end));
    SendMessageW(hwnd_, EM_SCROLLCARET, 0, 0);
}

int RichPane::LineTop(int line) const {
    const LRESULT index = SendMessageW(hwnd_, EM_LINEINDEX, static_cast<WPARAM>(line), 0);
    if (index < 0) return INT_MIN;
    POINTL pt{};
    SendMessageW(hwnd_, EM_POSFROMCHAR, reinterpret_cast<WPARAM>(&pt), index);
    return pt.y;
}

int RichPane::LineHeight() const {
    // One font for the whole pane: every line is as high as the first, and
    // a line's place follows from the scroll position. Asked of RichEdit
    // once, since each position it is asked for walks its paragraphs.
    if (measuredHeight_ > 0) return measuredHeight_;
    const int a = LineTop(0);
    if (a == INT_MIN) return lineHeight_;
    originY_ = a + ScrollY();
    if (lines_ > 1) {
        const int b = LineTop(1);
        if (b != INT_MIN && b > a) return measuredHeight_ = b - a;
    }
    return lineHeight_;
}

int RichPane::ScrollY() const {
    POINT p{};
    SendMessageW(hwnd_, EM_GETSCROLLPOS, 0, reinterpret_cast<LPARAM>(&p));
    return p.y;
}

int RichPane::TopOf(int line) const {
    const int height = LineHeight();
    return originY_ + line * height - ScrollY();
}

int RichPane::FirstVisible() const {
    const int height = LineHeight();
    const int y = ScrollY() - originY_;
    return std::clamp(y / height, 0, std::max(lines_ - 1, 0));
}

int RichPane::VisibleRows() const {
    RECT client{};
    GetClientRect(hwnd_, &client);
    return std::max(1, static_cast<int>(client.bottom) / LineHeight() + 1);
}

void RichPane::UpdateMargin() {
    if (kind_ != Kind::Script || !marginFont_) return;
    int digits = 1;
    for (int n = lines_; n >= 10; n /= 10)
        ++digits;
    HDC dc = GetDC(hwnd_);
    HGDIOBJ old = SelectObject(dc, marginFont_);
    SIZE nine{};
    GetTextExtentPoint32W(dc, L"9", 1, &nine);
    SelectObject(dc, old);
    ReleaseDC(hwnd_, dc);
    const int width = MulDiv(6, dpi_, 96) + nine.cx * std::max(digits, 2);
    if (width == marginWidth_) return;
    marginWidth_ = width;
    PlaceText();
}

void RichPane::PlaceText() {
    // The text starts right of the margin.
    if (kind_ != Kind::Script || marginWidth_ <= 0) return;
    RECT r{};
    GetClientRect(hwnd_, &r);
    r.left = marginWidth_ + MulDiv(3, dpi_, 96);
    SendMessageW(hwnd_, EM_SETRECT, 0, reinterpret_cast<LPARAM>(&r));
    InvalidateRect(hwnd_, nullptr, TRUE);
}

void RichPane::PaintOverlays() {
    if (kind_ != Kind::Script || !marginFont_ || !IsWindowVisible(hwnd_)) return;
    RECT client{};
    GetClientRect(hwnd_, &client);
    const int height = LineHeight();
    HideCaret(hwnd_);
    HDC dc = GetDC(hwnd_);
    RECT margin{0, 0, marginWidth_, client.bottom};
    SetBkColor(dc, kMarginBack);
    ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &margin, nullptr, 0, nullptr);
    HGDIOBJ oldFont = SelectObject(dc, marginFont_);
    SetTextColor(dc, kMarginText);
    SetBkMode(dc, TRANSPARENT);
    const int first = FirstVisible();
    const int firstTop = TopOf(first);
    const auto topOf = [&](int line) { return firstTop + (line - first) * height; };
    for (int line = first; line < lines_ && firstTop != INT_MIN; ++line) {
        const int top = topOf(line);
        if (top > client.bottom) break;
        const std::wstring number = std::to_wstring(line + 1);
        RECT r{0, top, marginWidth_ - MulDiv(3, dpi_, 96), top + height};
        DrawTextW(dc, number.c_str(), static_cast<int>(number.size()), &r,
                  DT_RIGHT | DT_SINGLELINE | DT_NOPREFIX);
    }
    SelectObject(dc, oldFont);
    // The tints go beneath the text's colours: white takes the tint, dark
    // text stays dark, and painting twice changes nothing.
    const auto tint = [&](int line, COLORREF colour) {
        if (line < first || line >= lines_ || firstTop == INT_MIN) return;
        const int top = topOf(line);
        if (top > client.bottom) return;
        HBRUSH brush = CreateSolidBrush(colour);
        HGDIOBJ oldBrush = SelectObject(dc, brush);
        PatBlt(dc, marginWidth_, top, client.right - marginWidth_, height, 0x00A000C9); // PATAND
        SelectObject(dc, oldBrush);
        DeleteObject(brush);
    };
    tint(caretLine_, kCurrentLine);
    tint(runningLine_, kRunningLine);
    ReleaseDC(hwnd_, dc);
    ShowCaret(hwnd_);
    // Lines scrolled into view unstyled are styled next.
    if (first != styledFirst_ && !styled_.Unstyled(first, first + VisibleRows()).empty()) {
        styledFirst_ = first;
        styleDue_ = false;
        ScheduleStyle(running_ ? kRunScrolledStyleMs : kScrolledStyleMs);
    }
}

void RichPane::SetRunningLine(int line) {
    RECT client{};
    GetClientRect(hwnd_, &client);
    const int height = LineHeight();
    const auto invalidate = [&](int row) {
        if (row < 0) return;
        RECT r = client;
        r.top = TopOf(row);
        r.bottom = r.top + height;
        if (r.bottom > 0 && r.top < client.bottom) InvalidateRect(hwnd_, &r, FALSE);
    };
    if (line != runningLine_) {
        invalidate(runningLine_);
        runningLine_ = line;
        invalidate(line);
    }
    if (line < 0) return;
    // Kept in view without moving the user's caret.
    const int first = FirstVisible();
    const int visible = std::max(1, static_cast<int>(client.bottom) / std::max(1, height));
    if (line < first || line >= first + visible - 1)
        SendMessageW(hwnd_, EM_LINESCROLL, 0, std::max(0, line - visible / 3) - first);
}

void RichPane::TextChanged() {
    if (busy_) return;
    const int count = LineCount();
    const int delta = count - lines_;
    const auto [start, end] = Selection();
    const int caret =
        static_cast<int>(SendMessageW(hwnd_, EM_EXLINEFROMCHAR, 0, static_cast<LPARAM>(end)));
    lines_ = count;
    styled_.Edited(caret, delta);
    ScheduleStyle(kTypingStyleMs);
    UpdateMargin();
    SelectionChanged();
}

void RichPane::SelectionChanged() {
    if (busy_ || kind_ != Kind::Script) return;
    const auto [start, end] = Selection();
    const int line =
        static_cast<int>(SendMessageW(hwnd_, EM_EXLINEFROMCHAR, 0, static_cast<LPARAM>(end)));
    if (line == caretLine_) return;
    const int old = caretLine_;
    caretLine_ = line;
    RECT r{};
    GetClientRect(hwnd_, &r);
    r.top = TopOf(old);
    r.bottom = r.top + LineHeight();
    InvalidateRect(hwnd_, &r, FALSE);
    UpdateWindow(hwnd_);
    PaintOverlays();
}

void RichPane::ScheduleStyle(UINT ms) {
    // A pending styling is not put off: typing goes on being styled.
    if (styleDue_) return;
    styleDue_ = true;
    SetTimer(hwnd_, kStyleTimer, std::max<UINT>(ms, USER_TIMER_MINIMUM), nullptr);
}

void RichPane::StyleVisible() {
    styleDue_ = false;
    KillTimer(hwnd_, kStyleTimer);
    if (kind_ != Kind::Script) return;
    const int first = FirstVisible();
    styledFirst_ = first;
    for (const auto& [from, to] : styled_.Unstyled(first, first + VisibleRows()))
        HighlightLines(from, to);
}

void RichPane::HighlightLines(int first, int last) {
    busy_ = true;
    CHARRANGE saved{};
    SendMessageW(hwnd_, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&saved));
    const LRESULT mask = SendMessageW(hwnd_, EM_SETEVENTMASK, 0, 0);
    SuspendUndo(true);
    // Drawn once, after every format is set.
    const bool drawing = !redrawOff_;
    Redraw(false);
    const auto apply = [this](LONG from, LONG to, const CHARFORMAT2W& f) {
        CHARRANGE r{from, to};
        SendMessageW(hwnd_, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&r));
        SendMessageW(hwnd_, EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&f));
    };
    for (int line = first; line <= last; ++line) {
        const LRESULT start = SendMessageW(hwnd_, EM_LINEINDEX, static_cast<WPARAM>(line), 0);
        if (start < 0) break;
        const LRESULT length = SendMessageW(hwnd_, EM_LINELENGTH, static_cast<WPARAM>(start), 0);
        const LONG marked = static_cast<LONG>(std::min<LRESULT>(length, kMarkedLength));
        std::u16string text(static_cast<std::size_t>(marked) + 1, u'\0');
        TEXTRANGEW range{{static_cast<LONG>(start), static_cast<LONG>(start) + marked},
                         reinterpret_cast<LPWSTR>(text.data())};
        SendMessageW(hwnd_, EM_GETTEXTRANGE, 0, reinterpret_cast<LPARAM>(&range));
        text.resize(static_cast<std::size_t>(marked));
        CHARFORMAT2W plain = Format(CFM_COLOR | CFM_BOLD | CFM_ITALIC);
        plain.dwEffects = CFE_AUTOCOLOR;
        apply(static_cast<LONG>(start), static_cast<LONG>(start + length), plain);
        for (const ScriptToken& t : ScriptTokens(text)) {
            const TokenStyle& s = kStyles[static_cast<std::size_t>(t.kind)];
            CHARFORMAT2W f = Format(CFM_COLOR | CFM_BOLD | CFM_ITALIC);
            f.crTextColor = s.colour;
            f.dwEffects = (s.bold ? CFE_BOLD : 0) | (s.italic ? CFE_ITALIC : 0);
            apply(static_cast<LONG>(start) + t.start, static_cast<LONG>(start) + t.start + t.length,
                  f);
        }
    }
    SuspendUndo(false);
    SendMessageW(hwnd_, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&saved));
    if (drawing) Redraw(true);
    SendMessageW(hwnd_, EM_SETEVENTMASK, 0, mask);
    busy_ = false;
    styled_.MarkStyled(first, last);
    RECT r{};
    GetClientRect(hwnd_, &r);
    r.top = std::max(0, TopOf(first));
    r.bottom = std::min<LONG>(r.bottom, TopOf(last) + LineHeight());
    if (r.bottom > r.top) InvalidateRect(hwnd_, &r, FALSE);
}

} // namespace talvex
