#include "win32/modal_form.h"

#include <array>

namespace talvex {

namespace {

struct FormState {
    const std::vector<FormControl>* controls;
    const std::function<bool(HWND, int)>* command;
    int width, height;
    HFONT font = nullptr;
    std::vector<HICON> icons;
};

// An icon control shows the icon resource its text names drawn at the
// control's size, not the system's icon size stretched.
HICON ShowIcon(HWND control, const std::wstring& name, int width, int height) {
    auto* icon = static_cast<HICON>(
        LoadImageW(GetModuleHandleW(nullptr), name.c_str(), IMAGE_ICON, width, height, 0));
    if (!icon) return nullptr;
    SendMessageW(control, STM_SETICON, reinterpret_cast<WPARAM>(icon), 0);
    SetWindowPos(control, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER);
    return icon;
}

INT_PTR CALLBACK FormProc(HWND form, UINT msg, WPARAM wp, LPARAM lp) {
    auto* state = reinterpret_cast<FormState*>(GetWindowLongPtrW(form, DWLP_USER));
    switch (msg) {
    case WM_INITDIALOG: {
        state = reinterpret_cast<FormState*>(lp);
        SetWindowLongPtrW(form, DWLP_USER, lp);
        const int dpi = WindowDpi(GetWindow(form, GW_OWNER));
        state->font = DesignFont(dpi);
        RECT r{0, 0, TwipsToPixels(state->width, dpi), TwipsToPixels(state->height, dpi)};
        AdjustWindowRectEx(&r, static_cast<DWORD>(GetWindowLongPtrW(form, GWL_STYLE)), FALSE,
                           static_cast<DWORD>(GetWindowLongPtrW(form, GWL_EXSTYLE)));
        // Centred over the owner.
        RECT owner{};
        HWND ownerWindow = GetWindow(form, GW_OWNER);
        if (ownerWindow)
            GetWindowRect(ownerWindow, &owner);
        else
            SystemParametersInfoW(SPI_GETWORKAREA, 0, &owner, 0);
        const int w = r.right - r.left, h = r.bottom - r.top;
        SetWindowPos(form, nullptr, owner.left + (owner.right - owner.left - w) / 2,
                     owner.top + (owner.bottom - owner.top - h) / 2, w, h, SWP_NOZORDER);
        HWND first = nullptr;
        for (const FormControl& c : *state->controls) {
            HWND child = CreateWindowExW(
                c.className == std::wstring(L"EDIT") ? WS_EX_CLIENTEDGE : 0, c.className,
                c.text.c_str(), WS_CHILD | WS_VISIBLE | c.style, TwipsToPixels(c.x, dpi),
                TwipsToPixels(c.y, dpi), TwipsToPixels(c.width, dpi), TwipsToPixels(c.height, dpi),
                form, reinterpret_cast<HMENU>(static_cast<INT_PTR>(c.id)),
                GetModuleHandleW(nullptr), nullptr);
            SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(state->font), FALSE);
            if ((c.style & SS_TYPEMASK) == SS_ICON && c.className == std::wstring(L"STATIC"))
                state->icons.push_back(ShowIcon(child, c.text, TwipsToPixels(c.width, dpi),
                                                TwipsToPixels(c.height, dpi)));
            if (!first && (c.style & WS_TABSTOP)) first = child;
        }
        if (first) {
            SetFocus(first);
            SendMessageW(first, EM_SETSEL, 0, -1);
            return FALSE;
        }
        return TRUE;
    }
    case WM_COMMAND:
        if (state && (*state->command)(form, LOWORD(wp))) EndDialog(form, LOWORD(wp));
        return TRUE;
    case WM_CLOSE:
        EndDialog(form, IDCANCEL);
        return TRUE;
    case WM_DESTROY:
        if (state && state->font) DeleteObject(state->font);
        if (state)
            for (HICON icon : state->icons)
                if (icon) DestroyIcon(icon);
        return FALSE;
    default:
        return FALSE;
    }
}

} // namespace

int WindowDpi(HWND hwnd) {
    using GetDpi = UINT(WINAPI*)(HWND);
    static const auto getDpi = reinterpret_cast<GetDpi>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    if (hwnd && getDpi) {
        if (const UINT dpi = getDpi(hwnd)) return static_cast<int>(dpi);
    }
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : 96;
}

HFONT DesignFont(int dpi) {
    return CreateFontW(-MulDiv(165, dpi, 1440), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                       DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                       DEFAULT_PITCH | FF_SWISS, L"MS Sans Serif");
}

int RunForm(HWND owner, const std::wstring& title, int width, int height,
            const std::vector<FormControl>& controls,
            const std::function<bool(HWND form, int id)>& command) {
    // A template with no controls: the form builds them itself.
    struct alignas(4) Template {
        DLGTEMPLATE head;
        WORD menu = 0, windowClass = 0;
        std::array<wchar_t, 64> title{};
    } t{};
    t.head.style = DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_CENTER;
    lstrcpynW(t.title.data(), title.c_str(), static_cast<int>(t.title.size()));
    FormState state{&controls, &command, width, height, nullptr, {}};
    return static_cast<int>(DialogBoxIndirectParamW(GetModuleHandleW(nullptr), &t.head, owner,
                                                    &FormProc, reinterpret_cast<LPARAM>(&state)));
}

} // namespace talvex
