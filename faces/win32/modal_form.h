// A small modal dialog laid out in twips: a dialog box with no template
// controls whose controls are created as it opens, so the same design
// lengths serve as on the other platform. Enter presses the default button
// (IDOK), Escape the cancel button (IDCANCEL).
#pragma once

#include "ddelink/win32.h"

#include <functional>
#include <string>
#include <vector>

namespace talvex {

struct FormControl {
    const wchar_t* className;
    std::wstring text;
    int id;
    DWORD style;
    int x, y, width, height; // twips
};

// Design DPI of an owner window: its own when the system tells it, else the screen's.
int WindowDpi(HWND hwnd);
// The design face (8.25 pt) at `dpi`.
HFONT DesignFont(int dpi);
inline int TwipsToPixels(int twips, int dpi) {
    return twips * dpi / 1440;
}

// Shows the form modal to `owner` with a client area of the given size;
// `command` is called for each WM_COMMAND and returns true to end the form
// with that id. Returns the id that ended it.
int RunForm(HWND owner, const std::wstring& title, int width, int height,
            const std::vector<FormControl>& controls,
            const std::function<bool(HWND form, int id)>& command);

} // namespace talvex
