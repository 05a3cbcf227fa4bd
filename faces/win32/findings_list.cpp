#include "win32/findings_list.h"

#include "ddelink/wide_text.h"

#include <commctrl.h>

namespace talvex {

FindingsList::FindingsList(HWND parent, int id, std::function<void(std::size_t)> chosen)
    : chosen_(std::move(chosen)) {
    hwnd_ = CreateWindowExW(WS_EX_CLIENTEDGE, L"LISTBOX", L"",
                            WS_CHILD | WS_VSCROLL | WS_HSCROLL | WS_TABSTOP | WS_CLIPSIBLINGS |
                                LBS_NOTIFY | LBS_NOINTEGRALHEIGHT,
                            0, 0, 10, 10, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                            GetModuleHandleW(nullptr), nullptr);
    SetWindowSubclass(hwnd_, &FindingsList::SubclassProc, 1, reinterpret_cast<DWORD_PTR>(this));
}

FindingsList::~FindingsList() {
    if (IsWindow(hwnd_)) RemoveWindowSubclass(hwnd_, &FindingsList::SubclassProc, 1);
}

void FindingsList::Show(const std::vector<Finding>& findings) {
    SendMessageW(hwnd_, WM_SETREDRAW, FALSE, 0);
    SendMessageW(hwnd_, LB_RESETCONTENT, 0, 0);
    HDC dc = GetDC(hwnd_);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(hwnd_, WM_GETFONT, 0, 0)));
    LONG widest = 0;
    for (const Finding& f : findings) {
        const std::wstring entry = WideFromUtf8(FindingLine("", f).substr(1));
        SendMessageW(hwnd_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry.c_str()));
        SIZE size{};
        GetTextExtentPoint32W(dc, entry.c_str(), static_cast<int>(entry.size()), &size);
        widest = std::max(widest, size.cx);
    }
    SelectObject(dc, old);
    ReleaseDC(hwnd_, dc);
    // A long text scrolls sideways rather than being cut off.
    SendMessageW(hwnd_, LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(widest + 8), 0);
    SendMessageW(hwnd_, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(hwnd_, nullptr, TRUE);
}

void FindingsList::Choose() {
    const LRESULT at = SendMessageW(hwnd_, LB_GETCURSEL, 0, 0);
    if (at != LB_ERR && chosen_) chosen_(static_cast<std::size_t>(at));
}

LRESULT CALLBACK FindingsList::SubclassProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR,
                                            DWORD_PTR self) {
    auto* list = reinterpret_cast<FindingsList*>(self);
    switch (msg) {
    case WM_NCDESTROY:
        RemoveWindowSubclass(hwnd, &FindingsList::SubclassProc, 1);
        list->hwnd_ = nullptr;
        break;
    case WM_GETDLGCODE:
        return DefSubclassProc(hwnd, msg, wp, lp) | DLGC_WANTALLKEYS;
    case WM_KEYDOWN:
        if (wp == VK_RETURN) {
            list->Choose();
            return 0;
        }
        break;
    case WM_LBUTTONUP: {
        // A click on an entry, also on the one already chosen; not on the
        // empty space below the last.
        const LRESULT result = DefSubclassProc(hwnd, msg, wp, lp);
        const LRESULT hit = SendMessageW(hwnd, LB_ITEMFROMPOINT, 0, lp);
        if (HIWORD(hit) == 0) list->Choose();
        return result;
    }
    default:
        break;
    }
    return DefSubclassProc(hwnd, msg, wp, lp);
}

} // namespace talvex
