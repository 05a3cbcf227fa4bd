// The link window "KORVA DDE Control": the command box with its Send button
// and the host link's response, dynamic and asynchronous texts, owned by the
// main window and hidden until View > Host Link... shows it.
#pragma once

#include "ddelink/win32.h"

#include <functional>
#include <string>

namespace talvex {

class WindowCore;

class LinkWindow {
public:
    LinkWindow(HWND owner, WindowCore& core);
    ~LinkWindow();
    LinkWindow(const LinkWindow&) = delete;
    LinkWindow& operator=(const LinkWindow&) = delete;

    HWND Handle() const { return hwnd_; }
    void Show();
    void Hide() { ShowWindow(hwnd_, SW_HIDE); }
    // The link's texts changed; boxes nobody sees follow when shown.
    void Refresh();
    enum ItemId { kSend = 1, kSendBox, kResponse, kDynamic, kAsync, kClose };
    HWND Item(int id) const { return GetDlgItem(hwnd_, id); }

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    void Build();

    WindowCore& core_;
    HWND hwnd_ = nullptr;
    HFONT font_ = nullptr;
    bool stale_ = true;
};

} // namespace talvex
