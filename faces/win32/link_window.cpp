#include "win32/link_window.h"

#include "ddelink/wide_text.h"
#include "win32/modal_form.h"
#include "windowcore/window_core.h"

namespace talvex {

namespace {

constexpr wchar_t kClass[] = L"TalvexLinkWindow";

std::wstring TextOf(HWND box) {
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(box)) + 1, L'\0');
    GetWindowTextW(box, text.data(), static_cast<int>(text.size()));
    return text.c_str();
}

} // namespace

LinkWindow::LinkWindow(HWND owner, WindowCore& core) : core_(core) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    if (!GetClassInfoExW(GetModuleHandleW(nullptr), kClass, &wc)) {
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = &LinkWindow::Proc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.lpszClassName = kClass;
        RegisterClassExW(&wc);
    }
    const int dpi = WindowDpi(owner);
    RECT r{0, 0, MulDiv(420, dpi, 96), MulDiv(170, dpi, 96)};
    AdjustWindowRectEx(&r, WS_OVERLAPPEDWINDOW, FALSE, 0);
    hwnd_ = CreateWindowExW(0, kClass, L"KORVA DDE Control", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                            CW_USEDEFAULT, r.right - r.left, r.bottom - r.top, owner, nullptr,
                            GetModuleHandleW(nullptr), this);
    font_ = DesignFont(dpi);
    Build();
}

LinkWindow::~LinkWindow() {
    if (IsWindow(hwnd_)) DestroyWindow(hwnd_);
    if (font_) DeleteObject(font_);
}

void LinkWindow::Build() {
    const int dpi = WindowDpi(hwnd_);
    const auto px = [dpi](int n) { return MulDiv(n, dpi, 96); };
    const auto add = [&](const wchar_t* cls, const wchar_t* text, int id, DWORD style, int x, int y,
                         int w, int h) {
        HWND c = CreateWindowExW(std::wstring(cls) == L"EDIT" ? WS_EX_CLIENTEDGE : 0, cls, text,
                                 WS_CHILD | WS_VISIBLE | style, px(x), px(y), px(w), px(h), hwnd_,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                 GetModuleHandleW(nullptr), nullptr);
        SendMessageW(c, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    };
    add(L"BUTTON", L"&Send:", kSend, WS_TABSTOP | BS_PUSHBUTTON, 8, 8, 96, 24);
    add(L"EDIT", L"", kSendBox, WS_TABSTOP | ES_AUTOHSCROLL, 112, 9, 300, 22);
    add(L"STATIC", L"Response:", 0, SS_LEFT, 8, 42, 96, 20);
    add(L"EDIT", L"", kResponse, ES_READONLY | ES_AUTOHSCROLL, 112, 39, 300, 22);
    add(L"STATIC", L"Dynamic:", 0, SS_LEFT, 8, 72, 96, 20);
    add(L"EDIT", L"", kDynamic, ES_READONLY | ES_AUTOHSCROLL, 112, 69, 300, 22);
    add(L"STATIC", L"Async Response:", 0, SS_LEFT, 8, 102, 100, 20);
    add(L"EDIT", L"", kAsync, ES_READONLY | ES_AUTOHSCROLL, 112, 99, 300, 22);
    add(L"BUTTON", L"&Close Window", kClose, WS_TABSTOP | BS_PUSHBUTTON, 302, 136, 110, 26);
}

LRESULT CALLBACK LinkWindow::Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE) {
        SetWindowLongPtrW(
            hwnd, GWLP_USERDATA,
            reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams));
    }
    auto* self = reinterpret_cast<LinkWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    switch (msg) {
    case WM_COMMAND:
        if (!self) break;
        if (LOWORD(wp) == kSend)
            self->core_.LinkWindowSend(Utf8FromWide(TextOf(self->Item(kSendBox))));
        else if (LOWORD(wp) == kClose)
            self->Hide();
        return 0;
    case WM_CLOSE:
        // Closing only hides it: the main window owns it.
        ShowWindow(hwnd, SW_HIDE);
        return 0;
    default:
        break;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

void LinkWindow::Show() {
    ShowWindow(hwnd_, SW_SHOWNORMAL);
    SetForegroundWindow(hwnd_);
    Refresh();
}

void LinkWindow::Refresh() {
    // A run changes the texts several times a command.
    if (!IsWindowVisible(hwnd_)) {
        stale_ = true;
        return;
    }
    stale_ = false;
    const LinkTexts texts = core_.LinkWindowTexts();
    const auto show = [this](int id, const std::string& text) {
        const std::wstring wide = WideFromUtf8(text);
        if (TextOf(Item(id)) != wide) SetWindowTextW(Item(id), wide.c_str());
    };
    if (GetFocus() != Item(kSendBox)) show(kSendBox, texts.sendBox);
    show(kResponse, texts.response);
    show(kDynamic, texts.dynamic);
    show(kAsync, texts.async);
}

} // namespace talvex
