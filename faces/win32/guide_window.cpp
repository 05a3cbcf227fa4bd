// The guide window: a find bar above, the contents on the left, the guide on
// the right. Closing it only hides it; Help > View shows it again as it was.
#include "win32/guide_window.h"

#include "ddelink/wide_text.h"
#include "engine/text_codec.h"
#include "win32/modal_form.h"
#include "win32/resource_ids.h"
#include "win32/rich_pane.h"
#include "windowcore/text_search.h"

#include <commctrl.h>
#include <richedit.h>

#include <algorithm>
#include <cctype>
#include <optional>

namespace talvex {

namespace {

constexpr wchar_t kClass[] = L"TalvexGuide";

// Design lengths at 96 DPI.
constexpr int kMargin = 8, kBarHeight = 24, kContentsWidth = 270;

std::wstring TextOf(HWND control) {
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(control)) + 1, L'\0');
    GetWindowTextW(control, text.data(), static_cast<int>(text.size()));
    return text.c_str();
}

// The text the RichEdit holds, its positions the control's own.
std::u16string ControlText(HWND edit) {
    GETTEXTLENGTHEX length{GTL_NUMCHARS | GTL_PRECISE, 1200};
    const auto chars = SendMessageW(edit, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&length), 0);
    std::wstring text(static_cast<std::size_t>(std::max<LRESULT>(chars, 0)) + 1, L'\0');
    GETTEXTEX get{};
    get.cb = static_cast<DWORD>(text.size() * sizeof(wchar_t));
    get.flags = GT_DEFAULT;
    get.codepage = 1200; // UTF-16
    SendMessageW(edit, EM_GETTEXTEX, reinterpret_cast<WPARAM>(&get),
                 reinterpret_cast<LPARAM>(text.data()));
    const std::wstring_view shown(text.c_str());
    return std::u16string(shown.begin(), shown.end());
}

struct RtfSource {
    std::string_view rtf;
    std::size_t at = 0;
};

DWORD CALLBACK ReadRtf(DWORD_PTR cookie, LPBYTE buffer, LONG wanted, LONG* given) {
    auto* source = reinterpret_cast<RtfSource*>(cookie);
    const std::size_t n = std::min(static_cast<std::size_t>(std::max<LONG>(wanted, 0)),
                                   source->rtf.size() - source->at);
    std::copy_n(source->rtf.data() + source->at, n, buffer);
    source->at += n;
    *given = static_cast<LONG>(n);
    return 0;
}

void SetSelection(HWND edit, long start, long end) {
    CHARRANGE range{start, end};
    SendMessageW(edit, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
}

} // namespace

std::string_view BuiltInGuide() {
    HMODULE self = GetModuleHandleW(nullptr);
    HRSRC found = FindResourceW(self, MAKEINTRESOURCEW(TALVEX_GUIDE_MARKDOWN),
                                MAKEINTRESOURCEW(10)); // RT_RCDATA
    if (!found) return {};
    HGLOBAL loaded = LoadResource(self, found);
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    if (!bytes) return {};
    return {static_cast<const char*>(bytes), SizeofResource(self, found)};
}

bool IsGuidePdf(std::string_view path) {
    const std::size_t slash = path.find_last_of("/\\");
    const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    constexpr std::string_view kName = "talvex_help.pdf";
    return name.size() == kName.size() &&
           std::equal(name.begin(), name.end(), kName.begin(), [](char a, char b) {
               return std::tolower(static_cast<unsigned char>(a)) == b;
           });
}

GuideWindow::GuideWindow(HWND owner, std::string_view markdown)
    : guide_(GuideToRichText(markdown)) {
    RichPane::LoadRichEdit();
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_STANDARD_CLASSES | ICC_TREEVIEW_CLASSES};
    InitCommonControlsEx(&icc);
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    if (!GetClassInfoExW(GetModuleHandleW(nullptr), kClass, &wc)) {
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = &GuideWindow::Proc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        wc.hIcon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1));
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.lpszClassName = kClass;
        RegisterClassExW(&wc);
    }
    dpi_ = WindowDpi(owner);
    RECT r{0, 0, MulDiv(1000, dpi_, 96), MulDiv(700, dpi_, 96)};
    AdjustWindowRectEx(&r, WS_OVERLAPPEDWINDOW, FALSE, 0);
    const std::wstring title = guide_.title.empty() ? L"User's Guide" : WideFromUtf8(guide_.title);
    hwnd_ = CreateWindowExW(0, kClass, title.c_str(), WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                            CW_USEDEFAULT, CW_USEDEFAULT, r.right - r.left, r.bottom - r.top, owner,
                            nullptr, GetModuleHandleW(nullptr), this);
    font_ = DesignFont(dpi_);
    Build();
}

GuideWindow::~GuideWindow() {
    if (IsWindow(hwnd_)) {
        SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
        DestroyWindow(hwnd_);
    }
    if (font_) DeleteObject(font_);
}

void GuideWindow::Build() {
    const auto add = [&](DWORD ex, const wchar_t* cls, const wchar_t* text, int id, DWORD style) {
        HWND c = CreateWindowExW(ex, cls, text, WS_CHILD | WS_VISIBLE | style, 0, 0, 10, 10, hwnd_,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                 GetModuleHandleW(nullptr), nullptr);
        SendMessageW(c, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
        // The guide's keys wherever the focus is in it (no dialog manager here).
        SetWindowSubclass(c, &GuideWindow::KeyProc, 1, reinterpret_cast<DWORD_PTR>(this));
        return c;
    };
    add(0, L"STATIC", L"&Find:", kFindLabel, SS_LEFT | SS_CENTERIMAGE);
    add(WS_EX_CLIENTEDGE, L"EDIT", L"", kFindBox, WS_TABSTOP | ES_AUTOHSCROLL);
    add(0, L"BUTTON", L"Find &Next", kNext, WS_TABSTOP | BS_DEFPUSHBUTTON);
    add(0, L"BUTTON", L"&Previous", kPrevious, WS_TABSTOP | BS_PUSHBUTTON);
    add(0, L"STATIC", L"", kStatus, SS_LEFT | SS_CENTERIMAGE | SS_NOPREFIX);
    add(WS_EX_CLIENTEDGE, WC_TREEVIEWW, L"", kContents,
        WS_TABSTOP | TVS_HASLINES | TVS_HASBUTTONS | TVS_LINESATROOT | TVS_SHOWSELALWAYS |
            TVS_DISABLEDRAGDROP);
    HWND text =
        add(WS_EX_CLIENTEDGE, RichPane::ClassName(), L"", kText,
            WS_TABSTOP | WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_NOHIDESEL | ES_AUTOVSCROLL);
    SendMessageW(text, EM_EXLIMITTEXT, 0, 0x7FFFFFFF);
    SendMessageW(text, EM_SETBKGNDCOLOR, 0, static_cast<LPARAM>(GetSysColor(COLOR_WINDOW)));
    const int margin = MulDiv(10, dpi_, 96);
    SendMessageW(text, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, MAKELPARAM(margin, margin));
    RtfSource source{guide_.rtf};
    EDITSTREAM stream{reinterpret_cast<DWORD_PTR>(&source), 0, &ReadRtf};
    SendMessageW(text, EM_STREAMIN, SF_RTF, reinterpret_cast<LPARAM>(&stream));
    SetSelection(text, 0, 0);   // Find starts at the top
    guide_.rtf = std::string(); // read: no longer needed
    CheckPositions(ControlText(text));
    FillContents();
    Place();
}

// The headings' positions as the RichEdit counts; should one count
// otherwise than the guide's text, each heading is looked up in the control's
// text after the one before.
void GuideWindow::CheckPositions(const std::u16string& shown) {
    std::size_t from = 0;
    for (GuideHeading& h : guide_.headings) {
        const std::u16string line = Utf8ToUtf16(h.text) + u'\r';
        auto at = static_cast<std::size_t>(h.position);
        const bool starts = at == 0 || (at <= shown.size() && shown[at - 1] == u'\r');
        if (!starts || shown.compare(at, line.size(), line) != 0) {
            const std::size_t found = (u"\r" + shown).find(u'\r' + line, from);
            if (found == std::u16string::npos) continue;
            at = found;
            h.position = static_cast<long>(at);
        }
        from = at + 1;
    }
}

// The title and the chapters at the top, their sections below them, and so
// on; a heading deeper than the one before hangs below that one.
void GuideWindow::FillContents() {
    HWND tree = Item(kContents);
    std::vector<std::pair<int, HTREEITEM>> open; // the path of headings to the last one
    for (std::size_t i = 0; i < guide_.headings.size(); ++i) {
        const GuideHeading& h = guide_.headings[i];
        while (!open.empty() && open.back().first >= h.level)
            open.pop_back();
        std::wstring text = WideFromUtf8(h.text);
        TVINSERTSTRUCTW insert{};
        insert.hParent = open.empty() ? TVI_ROOT : open.back().second;
        insert.hInsertAfter = TVI_LAST;
        insert.item.mask = TVIF_TEXT | TVIF_PARAM;
        insert.item.pszText = text.data();
        insert.item.lParam = static_cast<LPARAM>(i);
        auto* item = reinterpret_cast<HTREEITEM>(
            SendMessageW(tree, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert)));
        open.emplace_back(h.level, item);
    }
    // The chapters open on their sections.
    for (auto* item =
             reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0));
         item; item = reinterpret_cast<HTREEITEM>(
                   SendMessageW(tree, TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(item))))
        SendMessageW(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(item));
}

void GuideWindow::Place() {
    RECT client{};
    GetClientRect(hwnd_, &client);
    const auto px = [this](int n) { return MulDiv(n, dpi_, 96); };
    const int m = px(kMargin), bar = px(kBarHeight);
    const auto put = [&](int id, int x, int y, int w, int h) {
        MoveWindow(Item(id), x, y, std::max(w, 0), std::max(h, 0), TRUE);
    };
    int x = m;
    put(kFindLabel, x, m, px(36), bar);
    x += px(40);
    put(kFindBox, x, m, px(260), bar);
    x += px(268);
    put(kNext, x, m, px(90), bar);
    x += px(96);
    put(kPrevious, x, m, px(90), bar);
    x += px(100);
    put(kStatus, x, m, client.right - x - m, bar);
    const int top = m + bar + m;
    const int height = client.bottom - top - m;
    const int contents = std::min(px(kContentsWidth), static_cast<int>(client.right / 3));
    put(kContents, m, top, contents, height);
    put(kText, m + contents + m, top, client.right - contents - 3 * m, height);
}

void GuideWindow::Show() {
    ShowWindow(hwnd_, IsIconic(hwnd_) ? SW_RESTORE : SW_SHOWNORMAL);
    SetForegroundWindow(hwnd_);
}

void GuideWindow::ShowHeading(std::size_t index) {
    if (index >= guide_.headings.size()) return;
    HWND text = Item(kText);
    const long at = guide_.headings[index].position;
    SetSelection(text, at, at);
    // Scrolled so that the heading's line is the first one shown; by pixels,
    // as lines differ in height (and some RichEdits scroll "lines" of the
    // default font's height).
    POINT scroll{};
    SendMessageW(text, EM_GETSCROLLPOS, 0, reinterpret_cast<LPARAM>(&scroll));
    POINTL where{};
    SendMessageW(text, EM_POSFROMCHAR, reinterpret_cast<WPARAM>(&where), at);
    RECT area{};
    SendMessageW(text, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&area));
    scroll.y += where.y - area.top;
    SendMessageW(text, EM_SETSCROLLPOS, 0, reinterpret_cast<LPARAM>(&scroll));
}

bool GuideWindow::FindNext(bool backwards) {
    const std::wstring typed = TextOf(Item(kFindBox));
    const std::u16string what(typed.begin(), typed.end());
    if (what.empty()) {
        SetStatus(L"");
        return false;
    }
    HWND text = Item(kText);
    // Read from the control: its positions are the ones to select.
    const std::u16string shown = ControlText(text);
    CHARRANGE sel{};
    SendMessageW(text, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&sel));
    std::optional<std::size_t> found;
    bool wrapped = false;
    if (!backwards) {
        found = FindIgnoringCase(shown, what, static_cast<std::size_t>(sel.cpMax));
        if (!found) {
            found = FindIgnoringCase(shown, what, 0);
            wrapped = found.has_value();
        }
    } else {
        // The last place before the selection, else the last of all.
        std::optional<std::size_t> last, lastBefore;
        for (auto at = FindIgnoringCase(shown, what, 0); at;
             at = FindIgnoringCase(shown, what, *at + 1)) {
            if (*at < static_cast<std::size_t>(sel.cpMin)) lastBefore = at;
            last = at;
        }
        found = lastBefore ? lastBefore : last;
        wrapped = !lastBefore && last;
    }
    if (!found) {
        SetStatus(L"Not found");
        return false;
    }
    SetSelection(text, static_cast<long>(*found), static_cast<long>(*found + what.size()));
    SendMessageW(text, EM_SCROLLCARET, 0, 0);
    SetStatus(wrapped ? (backwards ? L"From the end" : L"From the top") : L"");
    return true;
}

void GuideWindow::SetStatus(const wchar_t* text) {
    SetWindowTextW(Item(kStatus), text);
}

void GuideWindow::ContentsNotice(const NMHDR& notice) {
    HWND tree = notice.hwndFrom;
    const auto headingOf = [tree](HTREEITEM item) -> std::size_t {
        TVITEMW got{};
        got.mask = TVIF_PARAM;
        got.hItem = item;
        SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&got));
        return static_cast<std::size_t>(got.lParam);
    };
    const auto selected = [tree] {
        return reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
    };
    if (notice.code == TVN_SELCHANGEDW) {
        const auto& changed = reinterpret_cast<const NMTREEVIEWW&>(notice);
        if (changed.itemNew.hItem) ShowHeading(headingOf(changed.itemNew.hItem));
    } else if (notice.code == NM_CLICK) {
        // A click on the entry already chosen goes there again; another one
        // is chosen first and goes there as its choice changes.
        TVHITTESTINFO hit{};
        const DWORD where = GetMessagePos();
        hit.pt = {static_cast<short>(LOWORD(where)), static_cast<short>(HIWORD(where))};
        ScreenToClient(tree, &hit.pt);
        SendMessageW(tree, TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit));
        if (hit.hItem && (hit.flags & TVHT_ONITEM) && hit.hItem == selected())
            ShowHeading(headingOf(hit.hItem));
    } else if (notice.code == TVN_KEYDOWN &&
               reinterpret_cast<const NMTVKEYDOWN&>(notice).wVKey == VK_RETURN) {
        if (HTREEITEM item = selected()) ShowHeading(headingOf(item));
    }
}

// Enter finds in the find field, F3 and Shift+F3 anywhere, Ctrl+F goes to
// the field, Tab to the next control, Escape closes.
bool GuideWindow::Key(HWND control, UINT vk) {
    const bool shift = GetKeyState(VK_SHIFT) < 0, ctrl = GetKeyState(VK_CONTROL) < 0;
    if ((vk == VK_RETURN && control == Item(kFindBox)) || vk == VK_F3) {
        FindNext(shift);
        return true;
    }
    if (vk == 'F' && ctrl) {
        SetFocus(Item(kFindBox));
        SendMessageW(Item(kFindBox), EM_SETSEL, 0, -1);
        return true;
    }
    if (vk == VK_TAB && !ctrl) {
        static constexpr int kOrder[] = {kFindBox, kNext, kPrevious, kContents, kText};
        const auto* at = std::find(std::begin(kOrder), std::end(kOrder), GetDlgCtrlID(control));
        const std::ptrdiff_t i = at == std::end(kOrder) ? 0 : at - std::begin(kOrder);
        const std::ptrdiff_t n = std::size(kOrder);
        SetFocus(Item(kOrder[(i + (shift ? n - 1 : 1)) % n]));
        return true;
    }
    if (vk == VK_ESCAPE) {
        ShowWindow(hwnd_, SW_HIDE);
        return true;
    }
    return false;
}

LRESULT CALLBACK GuideWindow::KeyProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR,
                                      DWORD_PTR self) {
    auto* window = reinterpret_cast<GuideWindow*>(self);
    if (msg == WM_KEYDOWN && window->Key(hwnd, static_cast<UINT>(wp))) return 0;
    // The characters of keys taken above: no beep, no tab in the field.
    if (msg == WM_CHAR && (wp == L'\r' || wp == L'\t' || wp == 27 || wp == 6)) return 0;
    if (msg == WM_NCDESTROY) RemoveWindowSubclass(hwnd, &GuideWindow::KeyProc, 1);
    return DefSubclassProc(hwnd, msg, wp, lp);
}

LRESULT CALLBACK GuideWindow::Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE) {
        auto* self =
            reinterpret_cast<GuideWindow*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
        self->hwnd_ = hwnd;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<GuideWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    return self ? self->Handle(msg, wp, lp) : DefWindowProcW(hwnd, msg, wp, lp);
}

LRESULT GuideWindow::Handle(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_SIZE:
        if (Item(kText)) Place();
        return 0;
    case WM_COMMAND:
        switch (LOWORD(wp)) {
        case kNext:
            FindNext();
            return 0;
        case kPrevious:
            FindNext(true);
            return 0;
        case kFindBox:
            if (HIWORD(wp) == EN_CHANGE) SetStatus(L"");
            return 0;
        default:
            break;
        }
        break;
    case WM_NOTIFY: {
        const auto* notice = reinterpret_cast<const NMHDR*>(lp);
        if (notice && notice->idFrom == kContents) ContentsNotice(*notice);
        break;
    }
    case WM_ACTIVATE:
        // Back to the window: the focus where Find's text is typed.
        if (LOWORD(wp) != WA_INACTIVE && !IsChild(hwnd_, GetFocus())) SetFocus(Item(kFindBox));
        return 0;
    case WM_CLOSE:
        // Closing only hides it: shown again, it is as it was.
        ShowWindow(hwnd_, SW_HIDE);
        return 0;
    case WM_NCDESTROY: {
        // Gone with its owner: the handle may soon name another window.
        HWND gone = hwnd_;
        SetWindowLongPtrW(gone, GWLP_USERDATA, 0);
        hwnd_ = nullptr;
        return DefWindowProcW(gone, msg, wp, lp);
    }
    default:
        break;
    }
    return DefWindowProcW(hwnd_, msg, wp, lp);
}

} // namespace talvex
