// Times talvex.exe's window against talvex-run.exe's run, in one process
// under Wine or Windows, both against the host KORVA32 names
// (korva32-sim.exe): a list-only run of a long script, a run of many host
// commands, Cancel from the click to the run's stop, the CPU a waiting
// command takes, a keystroke in a long script against a bare RichEdit, and
// the script check of a long script with its marks and list.
// Google Benchmark has no mingw build here, so this counts for itself.
// Usage: window_timing [LIST_LINES [COMMANDS [EDIT_LINES [ROUNDS]]]]
// The runs that compare the window with the runner take turns, ROUNDS times
// (3 unless given), and each side's median counts: a shared machine's load
// comes and goes, and a single pair of runs could catch it on one side only.
#include "app/headless_run.h"
#include "app/run_options.h"
#include "ddelink/dde_host_link.h"
#include "ddelink/message_pump.h"
#include "ddelink/wide_text.h"
#include "engine/script_check.h"
#include "win32/dde_window_link.h"
#include "win32/main_window.h"
#include "win32/rich_pane.h"
#include "windowcore/window_dialogs.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since) {
    return std::chrono::duration<double>(Clock::now() - since).count();
}

// Dialogs that answer at once: a user who reads nothing.
class QuietDialogs : public talvex::WindowDialogs {
public:
    void Message(talvex::MessageKind, std::string_view, std::string_view) override {}
    talvex::Answer AskYesNo(std::string_view, std::string_view) override {
        return talvex::Answer::No;
    }
    talvex::Answer AskYesNoCancel(std::string_view, std::string_view) override {
        return talvex::Answer::No;
    }
    std::string OpenFileName(const talvex::FileDialogSetup&) override { return {}; }
    std::string SaveFileName(const talvex::FileDialogSetup&) override { return {}; }
    bool OpenDocument(const std::string&) override { return false; }
    std::optional<std::string> AskFindText(std::string_view) override { return std::nullopt; }
    void ShowAbout(const talvex::ProgramVersion&) override {}
};

class MapSettings : public talvex::SettingsPort {
public:
    std::string Read(std::string_view, std::string_view) override { return {}; }
    void Write(std::string_view, std::string_view, std::string_view) override {}
};

std::string Lines(int n, const std::string& command) {
    std::string s;
    for (int i = 0; i < n; ++i)
        s += command + "(" + std::to_string(i) + ")\r\n";
    return s;
}

// talvex-run.exe's run of `script` (written to a file), as its main runs it.
double RunnerSeconds(talvex::DdeHostLink& link, talvex::MessagePump& pump,
                     const std::string& script, bool list) {
    const std::string path = "window_timing.tvx";
    std::ofstream(path, std::ios::binary) << script;
    talvex::RunOptions options;
    options.list = list;
    options.script = path;
    talvex::LinkControl control;
    control.init = [&link] { return link.Init(std::wstring(), true); };
    control.starting = [&link] { return link.Starting(); };
    control.cancelStart = [&link] { link.CancelStart(); };
    control.startCancelled = [&link] { return link.StartCancelled(); };
    // The host stays for the window; the runner's own link goes.
    control.uninit = [&link] { link.Uninit(false); };
    talvex::HeadlessStreams streams;
    FILE* null = std::fopen("NUL", "wb");
    streams.out = null;
    streams.err = null;
    streams.yield = [&pump] { pump.Yield(); };
    talvex::Environment env = talvex::Environment::system();
    talvex::HeadlessRun run(options, link, std::move(control), std::move(env), std::move(streams),
                            ".");
    if (run.Prepare() >= 0) return -1;
    const Clock::time_point start = Clock::now();
    run.Run();
    const double s = Seconds(start);
    std::fclose(null);
    std::remove(path.c_str());
    return s;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

double ProcessCpuSeconds() {
    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    const auto ticks = [](const FILETIME& f) {
        return (static_cast<unsigned long long>(f.dwHighDateTime) << 32) | f.dwLowDateTime;
    };
    return static_cast<double>(ticks(kernel) + ticks(user)) / 1e7;
}

// Lets the thread's messages and timers through for `ms` milliseconds.
void Pump(int ms) {
    const Clock::time_point until = Clock::now() + std::chrono::milliseconds(ms);
    while (Clock::now() < until) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
}

// One keystroke in the middle of `text` in `edit`, painted: microseconds each.
double KeystrokeMicros(HWND edit, int keys) {
    const LRESULT middleLine = SendMessageW(edit, EM_GETLINECOUNT, 0, 0) / 2;
    const LRESULT at = SendMessageW(edit, EM_LINEINDEX, static_cast<WPARAM>(middleLine), 0);
    CHARRANGE r{static_cast<LONG>(at) + 3, static_cast<LONG>(at) + 3};
    SendMessageW(edit, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&r));
    SendMessageW(edit, EM_SCROLLCARET, 0, 0);
    UpdateWindow(edit);
    // The view rests a moment, as a user's does before typing.
    Pump(400);
    const Clock::time_point start = Clock::now();
    for (int i = 0; i < keys; ++i) {
        SendMessageW(edit, WM_CHAR, 'x', 1);
        UpdateWindow(GetParent(edit));
        UpdateWindow(edit);
    }
    return Seconds(start) * 1e6 / keys;
}

} // namespace

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    const int listLines = argc > 1 ? std::max(1, std::atoi(argv[1])) : 100000;
    const int commands = argc > 2 ? std::max(1, std::atoi(argv[2])) : 2000;
    const int editLines = argc > 3 ? std::max(1, std::atoi(argv[3])) : 30000;
    const int rounds = argc > 4 ? std::max(1, std::atoi(argv[4])) : 3;

    talvex::MessagePump pump;
    talvex::DdeHostLink host(pump);
    talvex::DdeWindowLink link(host);
    QuietDialogs dialogs;
    MapSettings settings;
    talvex::MainWindowOptions options;
    options.programDir = ".";
    options.logFolder = ".";
    talvex::MainWindow window(pump, link, dialogs, settings, options);
    if (!window.Load()) {
        std::fprintf(stderr, "no host: set KORVA32 to korva32-sim.exe\n");
        return 3;
    }
    window.Show(SW_SHOWNOACTIVATE);
    talvex::WindowCore& core = window.core();
    // The runner's own link, to the host the window started.
    talvex::DdeHostLink runnerHost(pump);
    runnerHost.SetHostSearch(talvex::KorvaSearch::Only(L"C:\\no\\host\\here.exe"));

    // The run from the click to its end, the pane caught up; `complete`: how
    // much longer until the pane also holds the lines it held out meanwhile.
    double complete = 0;
    const auto windowRun = [&](const std::string& script, bool list) {
        // Wine lays a long text out for a long time: a round that runs the
        // script the editor holds already does not load it again.
        if (core.EditorText() != script) window.LoadEditor(script);
        // The script check reads a new text a moment after it is loaded, as
        // no user clicks Run sooner; the run then finds it read.
        while (window.TimerActive(talvex::WindowTimer::Check))
            Pump(10);
        const Clock::time_point start = Clock::now();
        if (list)
            core.CommandLabelClicked();
        else
            core.RunScriptClicked();
        pump.WaitUntil([&] { return !core.Running(); });
        core.SyncPane();
        const double s = Seconds(start);
        const Clock::time_point end = Clock::now();
        pump.WaitUntil([&] { return window.ResponseComplete(); });
        complete = Seconds(end);
        return s;
    };

    // 1. Cancel, from the click to the run's stop, during a wait; 2. the CPU
    // the window takes while that wait goes on (first: the runner's own link
    // to the same host comes later).
    {
        window.LoadEditor("wait(60000)\r\necho(never)\r\n");
        static Clock::time_point clicked{}, waitFrom{};
        static double cpuAt = 0, cpuWhileWaiting = -1;
        static talvex::WindowCore* running = nullptr;
        running = &core;
        // Thread timers: they fire from the run's wait.
        SetTimer(nullptr, 0, 500, [](HWND, UINT, UINT_PTR id, DWORD) {
            KillTimer(nullptr, id);
            cpuAt = ProcessCpuSeconds();
            waitFrom = Clock::now();
        });
        SetTimer(nullptr, 0, 2500, [](HWND, UINT, UINT_PTR id, DWORD) {
            KillTimer(nullptr, id);
            cpuWhileWaiting = (ProcessCpuSeconds() - cpuAt) / Seconds(waitFrom);
            clicked = Clock::now();
            running->CancelClicked();
        });
        core.RunScriptClicked();
        pump.WaitUntil([&] { return !core.Running(); });
        const double ms = std::chrono::duration<double, std::milli>(Clock::now() - clicked).count();
        std::printf("Cancel during a wait, click to stop: %.1f ms\n", ms);
        std::printf("CPU while a command waits: %.1f%% of one core\n", cpuWhileWaiting * 100);
    }
    // 3. A list-only run: the script's lines translated, nothing sent.
    {
        const std::string script = Lines(listLines, "echo");
        std::vector<double> ws, rs, completes;
        for (int i = 0; i < rounds; ++i) {
            ws.push_back(windowRun(script, true));
            completes.push_back(complete);
            rs.push_back(RunnerSeconds(runnerHost, pump, script, true));
        }
        const double w = Median(ws), r = Median(rs);
        complete = Median(completes);
        std::printf("list-only run, %d lines: window %.0f lines/s, runner %.0f lines/s (%.2f of "
                    "the runner's rate); the pane whole %.1f ms after the run\n",
                    listLines, listLines / w, listLines / r, r / w, complete * 1e3);
    }
    // 4. Host commands, each waiting for its response.
    {
        const std::string script = Lines(commands, "echo");
        std::vector<double> ws, rs;
        for (int i = 0; i < rounds; ++i) {
            ws.push_back(windowRun(script, false));
            rs.push_back(RunnerSeconds(runnerHost, pump, script, false));
        }
        const double w = Median(ws), r = Median(rs);
        std::printf("%d host commands: window %.3f s, runner %.3f s (%.2f times the runner)\n",
                    commands, w, r, w / r);
    }
    // 5. A keystroke in the middle of a long script, against a bare RichEdit
    // holding the same text with the same font.
    {
        std::string script;
        for (int i = 0; i < editLines; ++i)
            script += "#setvars(total={total+" + std::to_string(i) + "}) ' step\r\n";
        window.LoadEditor(script);
        const int keys = 200;
        const double face = KeystrokeMicros(window.ScriptPane().Handle(), keys);
        RECT r{};
        GetWindowRect(window.ScriptPane().Handle(), &r);
        MapWindowPoints(nullptr, window.Handle(), reinterpret_cast<POINT*>(&r), 2);
        HWND bare =
            CreateWindowExW(WS_EX_CLIENTEDGE, talvex::RichPane::ClassName(), L"",
                            WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL | ES_MULTILINE |
                                ES_AUTOVSCROLL | ES_AUTOHSCROLL | ES_NOHIDESEL | ES_WANTRETURN,
                            r.left, r.top, r.right - r.left, r.bottom - r.top, window.Handle(),
                            nullptr, GetModuleHandleW(nullptr), nullptr);
        SendMessageW(bare, EM_EXLIMITTEXT, 0, 0x7FFFFFFF);
        CHARFORMAT2W f{};
        f.cbSize = sizeof f;
        f.dwMask = CFM_FACE | CFM_SIZE;
        f.yHeight = 165;
        lstrcpynW(f.szFaceName, L"MS Sans Serif", LF_FACESIZE);
        SendMessageW(bare, EM_SETCHARFORMAT, SCF_ALL, reinterpret_cast<LPARAM>(&f));
        SendMessageW(bare, EM_SETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&f));
        ShowWindow(window.ScriptPane().Handle(), SW_HIDE);
        std::wstring text = talvex::WideFromUtf8(script);
        std::erase(text, L'\n');
        SendMessageW(bare, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
        const double plain = KeystrokeMicros(bare, keys);
        std::printf("keystroke in the middle of %d lines: window %.0f us, bare RichEdit %.0f us "
                    "(%.2f times)\n",
                    editLines, face, plain, face / plain);
        DestroyWindow(bare);
        window.LoadEditor("");
        ShowWindow(window.ScriptPane().Handle(), SW_SHOW);
    }
    // 6. The check of a long script as a moment after an edit: the check, the
    // list and the marks of the lines in view, painted; again; and after a
    // new line typed, which moves the marks below it.
    {
        // The keystroke's script, with a fault every thousand lines, so there
        // are marks and a list to fill.
        std::string script;
        for (int i = 0; i < editLines; ++i)
            script += "#setvars(total={total+" + std::to_string(i) + "}) ' step" +
                      ((i + 1) % 1000 == 0 ? " {unset}\r\n" : "\r\n");
        // Set as plain text, as a paste would bring it: under Wine the face's
        // own load, which colours each word, takes minutes at this length.
        std::wstring text = talvex::WideFromUtf8(script);
        std::erase(text, L'\n');
        window.LoadEditor("");
        HWND edit = window.ScriptPane().Handle();
        const LRESULT mask = SendMessageW(edit, EM_SETEVENTMASK, 0, 0);
        SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
        SendMessageW(edit, EM_SETEVENTMASK, 0, mask);
        core.EditorChanged();
        const auto check = [&] {
            const Clock::time_point start = Clock::now();
            core.TimerFired(talvex::WindowTimer::Check);
            UpdateWindow(window.Handle());
            UpdateWindow(window.ScriptPane().Handle());
            return Seconds(start) * 1e3;
        };
        const double first = check();
        double again = 0;
        const int rounds = 5;
        for (int i = 0; i < rounds; ++i)
            again += check();
        const LRESULT at = SendMessageW(edit, EM_LINEINDEX, 10, 0);
        CHARRANGE r{static_cast<LONG>(at), static_cast<LONG>(at)};
        SendMessageW(edit, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&r));
        SendMessageW(edit, WM_CHAR, VK_RETURN, 1);
        const double edited = check();
        // Of which: the editor's text read back, and the check itself.
        Clock::time_point start = Clock::now();
        const std::string shown = window.EditorText();
        const double read = Seconds(start) * 1e3;
        start = Clock::now();
        const auto findings = talvex::CheckScript({shown, "", 0});
        const double checked = Seconds(start) * 1e3;
        start = Clock::now();
        window.ShowFindings(findings);
        UpdateWindow(window.Handle());
        UpdateWindow(edit);
        const double shownMs = Seconds(start) * 1e3;
        std::printf("check of %d lines, %zu findings marked and listed: first %.1f ms (the list "
                    "shown: the editor laid out anew), again %.1f ms, after a new line %.1f ms; "
                    "of which reading the editor's text %.1f ms, the check %.1f ms, the list and "
                    "marks shown and painted %.1f ms\n",
                    editLines, findings.size(), first, again / rounds, edited, read, checked,
                    shownMs);
        window.LoadEditor("");
    }
    link.Unlink();
    host.WaitForHostExit();
    return 0;
}
