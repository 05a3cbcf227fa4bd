#include "tests/win32/window_rig.h"

#include "ddelink/korva_search.h"
#include "ddelink/wide_text.h"

#include <map>

namespace talvex::testing {

namespace {

std::map<UINT_PTR, std::function<void()>>& Pending() {
    static std::map<UINT_PTR, std::function<void()>> pending;
    return pending;
}

void CALLBACK Fire(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    auto it = Pending().find(id);
    if (it == Pending().end()) return;
    std::function<void()> action = std::move(it->second);
    Pending().erase(it);
    action();
}

} // namespace

void Later(int ms, std::function<void()> action) {
    const UINT_PTR id = SetTimer(nullptr, 0, static_cast<UINT>(ms), &Fire);
    Pending()[id] = std::move(action);
}

WindowRig::WindowRig(const std::wstring& registryKey, const std::string& programDir,
                     WindowDialogs* dialogs)
    : settings(registryKey) {
    static int serial = 0;
    const std::wstring service = L"KORVA_WINTEST_" + std::to_wstring(GetCurrentProcessId()) + L"_" +
                                 std::to_wstring(++serial);
    SetEnvironmentVariableW(L"KORVA_SERVICE", service.c_str());
    host.SetService(service);
    host.SetHostSearch(KorvaSearch::Only(WindowsPath(KORVA32_SIM_EXE)));
    MainWindowOptions options;
    options.programDir = programDir;
    options.logFolder = programDir + "\\deflog";
    options.closeGraceMs = 1000;
    window =
        std::make_unique<MainWindow>(pump, link, dialogs ? *dialogs : scripted, settings, options);
}

WindowRig::~WindowRig() {
    window.reset();
    host.Uninit(false);
    host.WaitForHostExit();
}

void WindowRig::Click(Control c) {
    HWND w = window->ControlHandle(c);
    if (c == Control::lblCommand) {
        SendMessageW(window->Handle(), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(w), STN_CLICKED),
                     reinterpret_cast<LPARAM>(w));
        return;
    }
    SendMessageW(w, BM_CLICK, 0, 0);
}

void WindowRig::Menu(int command) {
    SendMessageW(window->Handle(), WM_COMMAND, MAKEWPARAM(command, 0), 0);
}

void WindowRig::Key(UINT vk) {
    HWND target = GetFocus();
    if (!target) target = window->Handle();
    PostMessageW(target, WM_KEYDOWN, vk, 1);
    PostMessageW(target, WM_KEYUP, vk, 0xC0000001);
    // The hook turns it into the window's command, posted after it.
    pump.ProcessPending();
    pump.ProcessPending();
}

std::string WindowRig::PaneText() {
    std::u16string text = window->PaneSearchText(TextPane::Response);
    std::wstring wide(text.begin(), text.end());
    return Utf8FromWide(wide);
}

bool WindowRig::WaitFor(const std::function<bool()>& done, int ms) {
    return pump.WaitUntil(done, std::chrono::milliseconds(ms));
}

} // namespace talvex::testing
