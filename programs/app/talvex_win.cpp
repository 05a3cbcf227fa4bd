// talvex.exe: the window on Windows, linked to the host over DDE. An optional
// script path opens that script at start-up, so Explorer can open a .tvx
// with Talvex.
#include "app/default_log_folder.h"
#include "app/exit_status.h"
#include "app/window_usage.h"
#include "ddelink/dde_host_link.h"
#include "ddelink/korva_search.h"
#include "ddelink/message_pump.h"
#include "ddelink/wide_text.h"
#include "macromath/environment.h"
#include "win32/dde_window_link.h"
#include "win32/main_window.h"
#include "win32/registry_settings.h"
#include "win32/win32_dialogs.h"

#include "ddelink/win32.h"

#include <shellapi.h>

#include <cstdio>
#include <string>

namespace {

using talvex::kExitHost;
using talvex::kExitOk;
using talvex::kExitUsage;

const char* const kUsage = talvex::kWindowUsage;

// A window program has no console of its own: texts go to the one it was
// started from, or to a message box.
void Say(const std::string& text, bool error) {
    if (AttachConsole(ATTACH_PARENT_PROCESS) || GetStdHandle(STD_OUTPUT_HANDLE)) {
        FILE* out = error ? stderr : stdout;
        if (!error) freopen("CONOUT$", "w", stdout);
        if (error) freopen("CONOUT$", "w", stderr);
        std::fputs(text.c_str(), out);
        std::fflush(out);
        return;
    }
    MessageBoxW(nullptr, talvex::WideFromUtf8(text).c_str(), L"Talvex",
                MB_OK | (error ? MB_ICONERROR : MB_ICONINFORMATION));
}

std::wstring AbsolutePath(const std::wstring& path) {
    const DWORD n = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (n == 0) return path;
    std::wstring full(n, L'\0');
    const DWORD got = GetFullPathNameW(path.c_str(), n, full.data(), nullptr);
    full.resize(got);
    return full;
}

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int show) {
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    std::wstring script;
    bool optionsEnd = false;
    for (int i = 1; i < argc; ++i) {
        const std::wstring a = argv[i];
        if (!optionsEnd && a == L"--") {
            optionsEnd = true;
        } else if (!optionsEnd && a == L"--help") {
            Say(kUsage, false);
            return kExitOk;
        } else if (!optionsEnd && a == L"--version") {
            const talvex::ProgramVersion v = talvex::Environment::system().version;
            Say("talvex " + std::to_string(v.major) + "." + std::to_string(v.minor) + "." +
                    std::to_string(v.revision) + "\n",
                false);
            return kExitOk;
        } else if (!optionsEnd && a.size() > 1 && a[0] == L'-') {
            Say("talvex: unknown option " + talvex::Utf8FromWide(a) + "\n" + kUsage, true);
            return kExitUsage;
        } else if (script.empty()) {
            script = a;
        } else {
            Say(std::string("talvex: only one FILE may be given\n") + kUsage, true);
            return kExitUsage;
        }
    }
    LocalFree(argv);

    talvex::MessagePump pump;
    talvex::DdeHostLink host(pump);
    talvex::DdeWindowLink link(host);
    talvex::Win32Dialogs dialogs;
    talvex::RegistrySettings settings;
    talvex::MainWindowOptions options;
    options.programDir = talvex::Utf8FromWide(talvex::OwnFolder());
    options.logFolder = talvex::DefaultLogFolder(options.programDir);
    talvex::MainWindow window(pump, link, dialogs, settings, options);
    dialogs.SetOwner(window.Handle());

    // Without the host the program ends, after the link has said why.
    if (!window.Load()) return kExitHost;
    window.Show(show);
    if (!script.empty()) window.OpenAtStart(talvex::Utf8FromWide(AbsolutePath(script)));
    pump.WaitUntil([&window] { return window.Closed(); });
    link.Unlink();
    return kExitOk;
}
