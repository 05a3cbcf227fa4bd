// talvex.exe's window in-process for tests under Wine: the Win32 face over a
// DDE link to korva32-sim.exe with a service of its own, scripted dialogs
// (or the real ones) and the recent files under a registry key of the
// test's own. Helpers drive it through its own messages.
#pragma once

#include "ddelink/dde_host_link.h"
#include "ddelink/message_pump.h"
#include "tests/support/windows_path.h"
#include "tests/windowcore/fake_window.h"
#include "win32/dde_window_link.h"
#include "win32/main_window.h"
#include "win32/registry_settings.h"

#include <functional>
#include <memory>
#include <string>

namespace talvex::testing {

struct WindowRig {
    // `dialogs` null: the scripted ones.
    explicit WindowRig(const std::wstring& registryKey, const std::string& programDir,
                       WindowDialogs* dialogs = nullptr);
    ~WindowRig();

    void Click(Control c);  // a button's or a caption's click
    void Menu(int command); // a menu entry or a window key's command
    void Key(UINT vk);      // a key pressed in the control with the focus
    std::string PaneText(); // the response pane, LF between lines
    std::string EditorText() { return window->EditorText(); }
    void Pump() { pump.ProcessPending(); }
    // Pumps until `done` or `ms` passed.
    bool WaitFor(const std::function<bool()>& done, int ms = 10000);

    MessagePump pump;
    DdeHostLink host{pump};
    DdeWindowLink link{host};
    ScriptedDialogs scripted;
    RegistrySettings settings;
    std::unique_ptr<MainWindow> window;
};

// Runs `action` `ms` from now from whichever message loop runs: the pump, a
// run's wait or a modal dialog's own.
void Later(int ms, std::function<void()> action);

} // namespace talvex::testing
