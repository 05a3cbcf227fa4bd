// talvex.exe's window under Wine, in-process, against korva32-sim.exe: each
// case drives the window through its own messages (clicks, menu commands,
// keys, text) and checks what a user sees: pane text, log bytes, the editor,
// the menus, the registry, the controls' places.
#include "tests/win32/window_rig.h"

#include "ddelink/wide_text.h"
#include "engine/script_check.h"
#include "tests/app/temp_folder.h"
#include "win32/modal_form.h"
#include "win32/win32_dialogs.h"
#include "windowcore/window_layout.h"

#include <gtest/gtest.h>

#include <commctrl.h>
#include <richedit.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <set>
#include <sstream>
#include <tuple>

namespace talvex::testing {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

const std::string kGolden = GOLDEN_DIR;

std::string Read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string Lf(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) out += text[i];
    return out;
}

// The runner's standard output is the pane, except that a terminal, which
// cannot take text back, ends a line the pane leaves open (before a
// message's text, where the run takes back what it wrote, at the end).
bool RunnerShows(const std::string& pane, const std::string& out) {
    std::size_t i = 0, j = 0;
    while (i < pane.size() && j < out.size()) {
        if (pane[i] == out[j]) {
            ++i;
            ++j;
        } else if (out[j] == '\n') {
            ++j;
        } else {
            return false;
        }
    }
    return i == pane.size() && out.find_first_not_of('\n', j) == std::string::npos;
}

bool Exists(const fs::path& path) {
    std::error_code ec;
    return fs::exists(path, ec);
}

// A registry key of the test's own, removed at the end.
struct TestKey {
    std::wstring path;
    TestKey() {
        static int serial = 0;
        path = L"Software\\TalvexTest\\" + std::to_wstring(GetCurrentProcessId()) + L"_" +
               std::to_wstring(++serial);
    }
    ~TestKey() { RegDeleteTreeW(HKEY_CURRENT_USER, path.c_str()); }
};

// A folder for the case: the script, sub/ and what a run writes.
struct Box {
    TempFolder folder;
    fs::path Path() const { return fs::path(WindowsPath(folder.Path())); }
};

std::string FileMenuEntry(MainWindow& w, int command) {
    HMENU file = GetSubMenu(GetMenu(w.Handle()), 0);
    wchar_t text[512] = {};
    if (GetMenuStringW(file, static_cast<UINT>(command), text, 512, MF_BYCOMMAND) <= 0) return {};
    return Utf8FromWide(text);
}

// ---- The golden scripts through the window ----

TEST(WindowWin, GoldenScriptsGiveTheRunnersPaneAndLogs) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(WindowsPath(kGolden)))
        if (entry.path().extension() == ".tvx") names.push_back(entry.path().stem().string());
    std::sort(names.begin(), names.end());
    ASSERT_GT(names.size(), 40u);
    const fs::path golden(WindowsPath(kGolden));
    for (const std::string& name : names) {
        // Linux-only by nature: writes its log to /dev/full.
        if (name == "log_write_fails") continue;
        SCOPED_TRACE(name);
        Box box;
        fs::copy_file(golden / (name + ".tvx"), box.Path() / (name + ".tvx"));
        fs::copy(golden / "sub", box.Path() / "sub", fs::copy_options::recursive);
        fs::create_directory(box.Path() / "deflog");
        SetCurrentDirectoryW(box.Path().c_str());
        TestKey key;
        WindowRig rig(key.path, box.Path().string());
        ASSERT_TRUE(rig.window->Load());
        // As talvex-run answers every question.
        rig.scripted.answers.assign(50, Answer::No);
        std::string args = Read(golden / (name + ".args"));
        const bool whole = args.find("--whole") != std::string::npos;
        const bool list = args.find("--list") != std::string::npos;
        const bool log = Exists(golden / (name + ".log"));
        rig.scripted.fileAnswers.push_back((box.Path() / (name + ".tvx")).string());
        rig.Menu(kCmdOpen);
        ASSERT_EQ(rig.window->core().CurrentFile(), (box.Path() / (name + ".tvx")).string());
        if (whole) rig.Menu(kCmdWholeScript);
        // A script the check finds errors in asks before it runs; the golden
        // runs are meant to meet them.
        CheckedScript checked;
        const std::string text = rig.window->core().EditorText();
        checked.text = text;
        checked.path = rig.window->core().CurrentFile();
        const auto findings = CheckScript(checked);
        if (!list && std::any_of(findings.begin(), findings.end(),
                                 [](const Finding& f) { return f.severity == Severity::Error; }))
            rig.scripted.answers.push_front(Answer::Yes);
        if (log) {
            rig.Click(Control::chkLog);
            rig.scripted.fileAnswers.push_back((box.Path() / "run.log").string());
        }
        rig.Click(list ? Control::lblCommand : Control::cmdRunScript);
        ASSERT_TRUE(rig.WaitFor([&] { return !rig.window->core().Running(); }));
        rig.window->core().SyncPane();
        const std::string pane = Lf(rig.window->core().PaneText());
        EXPECT_EQ(rig.PaneText(), pane) << "the response pane shows the run's pane";
        EXPECT_PRED2(RunnerShows, pane, Read(golden / (name + ".out")));
        if (log) {
            EXPECT_EQ(Read(box.Path() / "run.log"), Read(golden / (name + ".log")));
        }
        if (Exists(golden / (name + ".deflog"))) {
            std::vector<fs::path> logs;
            for (const auto& e : fs::directory_iterator(box.Path() / "deflog"))
                logs.push_back(e.path());
            ASSERT_EQ(logs.size(), 1u) << "one default log";
            EXPECT_EQ(Read(logs.front()), Read(golden / (name + ".deflog")));
        }
        SetCurrentDirectoryW(L"C:\\");
    }
}

// ---- Run control: what the user does while a command waits ----

// Runs `action` once the status bar says a command waits, from the run's wait.
void WhenWaiting(WindowRig& rig, std::function<void()> action) {
    Later(50, [&rig, action = std::move(action)]() mutable {
        if (rig.window->core().Status().empty()) {
            WhenWaiting(rig, std::move(action));
            return;
        }
        action();
    });
}

void PressKey(WindowRig& rig, UINT vk) {
    HWND target = GetFocus();
    if (!target) target = rig.window->ScriptPane().Handle();
    PostMessageW(target, WM_KEYDOWN, vk, 1);
    PostMessageW(target, WM_KEYUP, vk, 0xC0000001);
}

struct RunCase {
    const char* name;
    std::string script;
    std::vector<Answer> answers;
    std::function<void(WindowRig&)> whileWaiting;
    std::string pane;                      // the response pane after the run
    std::vector<std::string> messages;     // the start of each box's text
    std::function<void(WindowRig&)> check; // what else the user sees
};

TEST(WindowWin, RunControlDuringWaits) {
    const std::string done = "Script Done";
    const std::string cancelled = "cancelled\r\nscript interrupted by user\r\n";
    const std::vector<RunCase> cases{
        {"CancelDuringWait",
         "wait(60000)\r\necho(never)\r\n",
         {},
         [](WindowRig& r) { r.Click(Control::cmdCancel); },
         cancelled,
         {"Ending Script please wait.", done},
         nullptr},
        {"EscapeDuringWait",
         "wait(60000)\r\necho(never)\r\n",
         {Answer::Yes},
         [](WindowRig& r) { PressKey(r, VK_ESCAPE); },
         cancelled,
         {"Ending Script please wait.", done},
         [](WindowRig& r) {
             EXPECT_EQ(r.scripted.questions, std::vector<std::string>{"Cancel Script?"});
         }},
        {"CancelDuringSilent",
         "silent()\r\necho(never)\r\n",
         {},
         [](WindowRig& r) { r.Click(Control::cmdCancel); },
         cancelled,
         {"Ending Script please wait.", done},
         nullptr},
        {"EscapeDuringSilent",
         "silent()\r\necho(never)\r\n",
         {Answer::Yes},
         [](WindowRig& r) { PressKey(r, VK_ESCAPE); },
         cancelled,
         {"Ending Script please wait.", done},
         nullptr},
        {"HardCancel",
         "wait(60000)\r\necho(after)\r\n",
         {},
         [](WindowRig& r) { r.Menu(kCmdHardCancel); },
         "cancelled\r\nafter\r\n",
         {done},
         [](WindowRig& r) {
             EXPECT_TRUE(r.EditorText().ends_with("\r\nhardcancel")) << r.EditorText();
         }},
        {"LostLink",
         "echo(before)\r\nwait(60000)\r\necho(never)\r\n",
         {},
         [](WindowRig& r) {
             HANDLE host = OpenProcess(PROCESS_TERMINATE, FALSE, r.host.HostPid());
             TerminateProcess(host, 9);
             CloseHandle(host);
         },
         "before\r\nError: link to KORVA lost\r\nscript error",
         {"Error: link to KORVA lost", done},
         nullptr},
        {"CloseDuringRun",
         "wait(60000)\r\necho(never)\r\n",
         {Answer::Yes, Answer::No},
         [](WindowRig& r) { PostMessageW(r.window->Handle(), WM_CLOSE, 0, 0); },
         cancelled,
         {},
         [](WindowRig& r) {
             EXPECT_TRUE(r.WaitFor([&] { return r.window->Closed(); }, 5000))
                 << "the window closed";
             EXPECT_EQ(r.scripted.questions.front(), "A script is running. Stop it and close?");
         }},
    };
    for (const RunCase& c : cases) {
        SCOPED_TRACE(c.name);
        TestKey key;
        TempFolder folder;
        WindowRig rig(key.path, folder.Path());
        ASSERT_TRUE(rig.window->Load());
        rig.window->LoadEditor(c.script);
        rig.scripted.answers.assign(c.answers.begin(), c.answers.end());
        WhenWaiting(rig, [&] { c.whileWaiting(rig); });
        const auto start = Clock::now();
        rig.Click(Control::cmdRunScript);
        ASSERT_TRUE(rig.WaitFor([&] { return !rig.window->core().Running(); }, 20000));
        EXPECT_LT(Clock::now() - start, std::chrono::seconds(20)) << "the wait was ended";
        rig.window->core().SyncPane();
        EXPECT_EQ(rig.window->core().PaneText(), c.pane);
        // A closed window shows nothing.
        if (!rig.window->Closed()) {
            EXPECT_EQ(rig.PaneText(), Lf(c.pane));
        }
        EXPECT_EQ(rig.scripted.messages.size(), c.messages.size());
        for (std::size_t i = 0; i < std::min(c.messages.size(), rig.scripted.messages.size()); ++i)
            EXPECT_TRUE(rig.scripted.messages[i].starts_with(c.messages[i]))
                << rig.scripted.messages[i];
        if (c.check) c.check(rig);
    }
}

// ---- Files: recent files across a restart, #call with unsaved edits, the log ----

std::string RegistryValue(const std::wstring& key, const wchar_t* name) {
    wchar_t value[1024] = {};
    DWORD bytes = sizeof value;
    if (RegGetValueW(HKEY_CURRENT_USER, (key + L"\\FileInfo").c_str(), name, RRF_RT_REG_SZ, nullptr,
                     value, &bytes) != ERROR_SUCCESS)
        return {};
    return Utf8FromWide(value);
}

// Text typed at the end of the editor.
void Type(WindowRig& rig, const std::wstring& text) {
    HWND edit = rig.window->ScriptPane().Handle();
    const LONG end = rig.window->ScriptPane().TextLength();
    CHARRANGE r{end, end};
    SendMessageW(edit, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&r));
    SendMessageW(edit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text.c_str()));
}

TEST(WindowWin, FilesAndSettings) {
    TestKey key;
    TempFolder folder;
    const fs::path dir(WindowsPath(folder.Path()));
    const std::string a = (dir / "a.tvx").string(), b = (dir / "b.tvx").string();
    WriteBytes(a, "echo(from a)\r\n");
    WriteBytes(b, "echo(from b)\r\n#call(sub)\r\n");
    WriteBytes((dir / "sub.tvx").string(), "echo(in sub)\r\n");
    {
        WindowRig rig(key.path, folder.Path());
        ASSERT_TRUE(rig.window->Load());
        rig.scripted.fileAnswers = {a, b};
        rig.Menu(kCmdOpen);
        rig.Menu(kCmdOpen);
        EXPECT_EQ(FileMenuEntry(*rig.window, kCmdHistory1), "&1 " + b);
        EXPECT_EQ(FileMenuEntry(*rig.window, kCmdHistory1 + 1), "&2 " + a);

        // #call with unsaved edits: the run shows the called script and
        // gives the user's edits back, unsaved and whole.
        Type(rig, L"echo(edited)");
        const std::string edited = "echo(from b)\r\n#call(sub)\r\necho(edited)";
        ASSERT_EQ(rig.EditorText(), edited);
        rig.scripted.answers.assign(5, Answer::No);
        // The log question: the log box ticked, the file dialog names the log.
        rig.Click(Control::chkLog);
        rig.scripted.fileAnswers = {(dir / "run.log").string()};
        rig.Click(Control::cmdRunScript);
        ASSERT_TRUE(rig.WaitFor([&] { return !rig.window->core().Running(); }));
        EXPECT_EQ(rig.EditorText(), edited);
        EXPECT_FALSE(rig.window->core().FileSaved());
        EXPECT_EQ(Read(b), "echo(from b)\r\n#call(sub)\r\n")
            << "nothing saved behind the user's back";
        ASSERT_EQ(rig.scripted.fileDialogs.size(), 3u);
        EXPECT_EQ(rig.scripted.fileDialogs.back().title, "Log Responses");
        rig.window->core().SyncPane();
        EXPECT_EQ(Read(dir / "run.log"), "from b\r\nin sub\r\nedited\r\n") << "the responses";
        EXPECT_NE(rig.window->core().PaneText().find("in sub\r\n"), std::string::npos);
        EXPECT_NE(rig.window->core().PaneText().find("edited\r\n"), std::string::npos);
        rig.scripted.answers = {Answer::No}; // do not save the edits
    }
    EXPECT_EQ(RegistryValue(key.path, L"File1"), b);
    EXPECT_EQ(RegistryValue(key.path, L"File2"), a);

    // The restart finds them, and the second opens.
    WindowRig again(key.path, folder.Path());
    ASSERT_TRUE(again.window->Load());
    EXPECT_EQ(FileMenuEntry(*again.window, kCmdHistory1), "&1 " + b);
    EXPECT_EQ(FileMenuEntry(*again.window, kCmdHistory1 + 1), "&2 " + a);
    again.Menu(kCmdHistory1 + 1);
    EXPECT_EQ(again.window->core().CurrentFile(), a);
    EXPECT_EQ(again.EditorText(), "echo(from a)\r\n");
    EXPECT_EQ(FileMenuEntry(*again.window, kCmdHistory1), "&1 " + a);
}

// ---- Find and F3, in the script and in the response pane ----

TEST(WindowWin, FindAndFindAgain) {
    TestKey key;
    TempFolder folder;
    WindowRig rig(key.path, folder.Path());
    ASSERT_TRUE(rig.window->Load());
    rig.window->Show(SW_SHOWNORMAL);
    rig.window->LoadEditor("echo(Alpha)\r\nbeta\r\necho(alpha)\r\n");
    SetFocus(rig.window->ScriptPane().Handle());
    rig.scripted.findAnswer = "alpha";
    rig.Menu(kCmdFind);
    using Sel = std::pair<std::size_t, std::size_t>;
    EXPECT_EQ(rig.window->ScriptPane().Selection(), (Sel{5, 10}));
    rig.Key(VK_F3);
    EXPECT_EQ(rig.window->ScriptPane().Selection(), (Sel{22, 27}));
    rig.Key(VK_F3);
    EXPECT_EQ(rig.scripted.messages,
              std::vector<std::string>{"Unable to find 'alpha' in remainder of script text."});

    // The response pane, once it had the focus.
    rig.Click(Control::cmdRunScript);
    ASSERT_TRUE(rig.WaitFor([&] { return !rig.window->core().Running(); }));
    SetFocus(rig.window->ResponsePane().Handle());
    rig.window->ResponsePane().Select(0, 0);
    rig.Key(VK_F3);
    EXPECT_EQ(rig.window->ResponsePane().Selection(), (Sel{0, 5}));
    EXPECT_EQ(rig.window->FocusPane(), TextPane::Response);
}

// ---- The response pane of a long run ----

// A pane refilled during a run takes only its last lines, and all of them
// once the run is over, the view still at the end; a pane the user has
// turned to is whole at once.
TEST(WindowWin, ResponsePaneHoldsItsFirstLinesBackOnlyDuringARun) {
    TestKey key;
    TempFolder folder;
    WindowRig rig(key.path, folder.Path());
    ASSERT_TRUE(rig.window->Load());
    rig.window->Show(SW_SHOWNORMAL);
    MainWindow& w = *rig.window;
    const auto shown = [&] { // what the control itself holds
        const std::u16string t = w.ResponsePane().SearchText();
        return Utf8FromWide(std::wstring(t.begin(), t.end()));
    };
    std::string text, tail;
    for (int i = 0; i < 1000; ++i) {
        const std::string line = "line " + std::to_string(i) + "\r\n";
        text += line;
        if (i >= 1000 - static_cast<int>(ResponseView::kTailLines) + 1) tail += line;
    }
    w.SetRunControlsEnabled(false); // as a run starts
    w.UpdatePane("", text);
    EXPECT_EQ(shown(), Lf(tail));
    w.UpdatePane(text, text + "more\r\n");
    EXPECT_EQ(shown(), Lf(tail + "more\r\n")) << "a change after the held lines";
    rig.Pump();
    EXPECT_FALSE(w.ResponseComplete()) << "not while the run goes on";
    w.SetRunControlsEnabled(true);
    rig.Pump();
    EXPECT_TRUE(w.ResponseComplete());
    EXPECT_EQ(shown(), Lf(text + "more\r\n"));
    HWND pane = w.ResponsePane().Handle();
    const LRESULT rows = SendMessageW(pane, EM_GETLINECOUNT, 0, 0);
    EXPECT_GT(SendMessageW(pane, EM_GETFIRSTVISIBLELINE, 0, 0), rows - 60) << "still at the end";

    w.SetRunControlsEnabled(false);
    w.UpdatePane(text + "more\r\n", "");
    SetFocus(w.ResponsePane().Handle());
    w.UpdatePane("", text);
    EXPECT_EQ(shown(), Lf(text)) << "the user looks at the pane";
    w.SetRunControlsEnabled(true);
    // A pane refilled in a new control keeps the pane's font.
    pane = w.ResponsePane().Handle();
    CHARRANGE first{0, 4};
    SendMessageW(pane, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&first));
    CHARFORMAT2W f{};
    f.cbSize = sizeof f;
    f.dwMask = CFM_FACE | CFM_BOLD | CFM_SIZE;
    SendMessageW(pane, EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&f));
    EXPECT_EQ(std::wstring(f.szFaceName), L"MS Sans Serif");
    EXPECT_FALSE(f.dwEffects & CFE_BOLD);
    EXPECT_EQ(f.yHeight, 165);
}

// The colour the editor shows at `column` of `line` (GetSysColor's for plain text).
COLORREF ColourAt(HWND edit, int line, int column) {
    const auto at =
        static_cast<LONG>(SendMessageW(edit, EM_LINEINDEX, static_cast<WPARAM>(line), 0)) + column;
    CHARRANGE saved{};
    SendMessageW(edit, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&saved));
    CHARRANGE r{at, at + 1};
    SendMessageW(edit, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&r));
    CHARFORMAT2W f{};
    f.cbSize = sizeof f;
    f.dwMask = CFM_COLOR;
    SendMessageW(edit, EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&f));
    SendMessageW(edit, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&saved));
    return (f.dwEffects & CFE_AUTOCOLOR) ? GetSysColor(COLOR_WINDOWTEXT) : f.crTextColor;
}

// A long script is styled as it comes into view and as it is typed on; a
// second long script takes the editor's place whole.
TEST(WindowWin, EditorColoursFollowTheViewAndTheTyping) {
    TestKey key;
    TempFolder folder;
    WindowRig rig(key.path, folder.Path());
    ASSERT_TRUE(rig.window->Load());
    rig.window->Show(SW_SHOWNORMAL);
    const COLORREF comment = RGB(0, 128, 0), plain = GetSysColor(COLOR_WINDOWTEXT);
    // Every other line a comment.
    const auto lines = [](int n, const std::string& text) {
        std::string s;
        for (int i = 0; i < n; ++i)
            s += (i % 2 ? "" : "' ") + text + std::to_string(i) + "\r\n";
        return s;
    };
    const std::string first = lines(3000, "note "), second = lines(2000, "y");
    const auto edit = [&] { return rig.window->ScriptPane().Handle(); };
    const auto caretAt = [&](int line) {
        return static_cast<std::size_t>(SendMessageW(edit(), EM_LINEINDEX, line, 0));
    };
    struct Step {
        const char* what;
        std::function<void()> act;
        int line, column;
        COLORREF colour;
    };
    const std::vector<Step> steps{
        {"the first lines at once", [&] { rig.window->LoadEditor(first); }, 0, 3, comment},
        {"lines the caret goes to, once the view rests",
         [&] { rig.window->ScriptPane().Select(caretAt(2501), caretAt(2501)); }, 2500, 3, comment},
        {"a line typed on", [&] { SendMessageW(edit(), WM_CHAR, '\'', 1); }, 2501, 3, comment},
        {"the lines around it as they were", [] {}, 2502, 3, comment},
        {"and the next one plain", [] {}, 2503, 3, plain},
        {"a second long script", [&] { rig.window->LoadEditor(second); }, 0, 2, comment},
    };
    for (const Step& step : steps) {
        step.act();
        EXPECT_TRUE(rig.WaitFor([&] {
            return ColourAt(edit(), step.line, step.column) == step.colour;
        })) << step.what;
    }
    EXPECT_EQ(rig.EditorText(), second);
    EXPECT_EQ(rig.window->ControlHandle(Control::txtCommandList), edit());
    EXPECT_TRUE(IsWindowVisible(edit()));
}

// ---- The layout from the design table, at two sizes and two DPIs ----

RECT ClientRectOf(HWND control, HWND parent) {
    RECT r{};
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

void SetClientSize(MainWindow& w, int width, int height) {
    RECT bar{};
    GetWindowRect(w.StatusBar(), &bar);
    RECT r{0, 0, width, height + (bar.bottom - bar.top)};
    AdjustWindowRectEx(&r, WS_OVERLAPPEDWINDOW, TRUE, 0);
    SetWindowPos(w.Handle(), nullptr, 0, 0, r.right - r.left, r.bottom - r.top,
                 SWP_NOZORDER | SWP_NOMOVE);
}

TEST(WindowWin, LayoutFollowsTheDesignAtTwoSizesAndTwoDpis) {
    TestKey key;
    TempFolder folder;
    WindowRig rig(key.path, folder.Path());
    ASSERT_TRUE(rig.window->Load());
    rig.window->Show(SW_SHOWNORMAL);
    MainWindow& w = *rig.window;
    // Started in a prefix whose LogPixels the test set, the window takes
    // the screen's DPI from the system.
    wchar_t started[16] = {};
    if (GetEnvironmentVariableW(L"TALVEX_TEST_DPI", started, 16)) {
        EXPECT_EQ(w.Dpi(), std::stoi(started)) << "the DPI the window starts at";
    }
    for (int dpi : {96, 144}) {
        if (dpi != w.Dpi()) {
            RECT now{};
            GetWindowRect(w.Handle(), &now);
            SendMessageW(w.Handle(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi),
                         reinterpret_cast<LPARAM>(&now));
        }
        ASSERT_EQ(w.Dpi(), dpi);
        // The least client area, then a larger one.
        for (auto [tw, th] :
             {std::pair{WindowDesign::kMinClientWidth, WindowDesign::kMinClientHeight},
              std::pair{10000, 6400}}) {
            SCOPED_TRACE(std::to_string(dpi) + " dpi, " + std::to_string(tw) + "x" +
                         std::to_string(th));
            const int width = tw * dpi / 1440, height = th * dpi / 1440;
            SetClientSize(w, width, height);
            RECT client{}, bar{};
            GetClientRect(w.Handle(), &client);
            GetWindowRect(w.StatusBar(), &bar);
            ASSERT_EQ(client.right, width);
            ASSERT_EQ(client.bottom - (bar.bottom - bar.top), height);
            WindowLayout expected;
            expected.Resize(width * 1440 / dpi, height * 1440 / dpi);
            // The dynamic-data line starts where its caption, fitted to its text, ends.
            for (Control c :
                 {Control::txtCommandList, Control::txtResponseList, Control::cmdDynamic,
                  Control::cmdRunScript, Control::cmdCancel, Control::cmdExit}) {
                SCOPED_TRACE(std::string(DesignOf(c).name));
                const DesignRect& d = expected.Rect(c);
                const RECT r = ClientRectOf(w.ControlHandle(c), w.Handle());
                EXPECT_EQ(r.left, TwipsToPixels(d.x, dpi));
                EXPECT_EQ(r.top, TwipsToPixels(d.y, dpi));
                EXPECT_EQ(r.right - r.left, TwipsToPixels(d.width, dpi));
                EXPECT_EQ(r.bottom - r.top, TwipsToPixels(d.height, dpi));
            }
        }
    }
}

// ---- The script check: marks, the list below the editor, View > Check List ----

std::vector<std::string> ListEntries(HWND list) {
    std::vector<std::string> entries;
    const LRESULT n = SendMessageW(list, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < n; ++i) {
        wchar_t text[512] = {};
        SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
        entries.push_back(Utf8FromWide(text));
    }
    return entries;
}

int HeightOf(HWND w) {
    RECT r{};
    GetWindowRect(w, &r);
    return r.bottom - r.top;
}

TEST(WindowWin, CheckMarksListsAndGoesToTheLine) {
    TestKey key;
    TempFolder folder;
    WindowRig rig(key.path, folder.Path());
    ASSERT_TRUE(rig.window->Load());
    rig.window->Show(SW_SHOWNORMAL);
    MainWindow& w = *rig.window;
    HWND list = w.FindingsListHandle();
    HWND editor = w.ScriptPane().Handle();
    const int fullHeight = HeightOf(editor);
    EXPECT_FALSE(IsWindowVisible(list)) << "nothing to list";

    // Mark `i` painted under its text, in the line's colour.
    auto expectWave = [&w](HWND edit, std::size_t i) {
        const auto& m = w.Marks().Marks()[i];
        const auto r = w.Marks().WaveRect(i);
        ASSERT_TRUE(r.has_value());
        UpdateWindow(edit);
        HDC dc = GetDC(edit);
        int found = 0;
        for (int y = r->top; y < r->bottom; ++y)
            for (int x = r->left; x < r->right; ++x)
                if (GetPixel(dc, x, y) ==
                    (m.error ? FindingMarks::kErrorColour : FindingMarks::kWarningColour))
                    ++found;
        ReleaseDC(edit, dc);
        EXPECT_GT(found, (r->right - r->left) / 2) << "the wave's pixels";
    };
    struct Row {
        const char* name;
        std::string script;
        std::vector<std::string> entries;
        // Each mark: line (0-based), from, to (UTF-16 units in the line), error.
        std::vector<std::tuple<int, int, int, bool>> marks;
    };
    const std::vector<Row> rows{
        {"an error",
         "echo(a)\r\n#goto(nowhere)\r\n",
         {"2:7: error: no label \"nowhere\" in this script"},
         {{1, 6, 14, true}}},
        {"a warning",
         "echo(a)\r\n#do(j=0)\r\n#loopuntil(j)\r\n",
         {"2:5: warning: #do sets j again on every round; set it on a line before the #do"},
         {{1, 4, 8, false}}},
        // The column counts characters, the mark UTF-16 units.
        {"past a character beyond the first plane",
         "echo(a)\r\necho(\xF0\x9F\x98\x80 {totl})\r\n",
         {"2:9: warning: no line sets the variable \"totl\" read here"},
         {{1, 9, 15, false}}},
        {"clean", "echo(a)\r\n", {}, {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        // As typed: the check follows the editor's changes on its timer.
        w.LoadEditor("");
        HWND edit = w.ScriptPane().Handle();
        const std::wstring text = WideFromUtf8(row.script);
        SendMessageW(edit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text.c_str()));
        ASSERT_TRUE(rig.WaitFor(
            [&] {
                return ListEntries(list) == row.entries &&
                       w.core().Findings().size() == row.entries.size();
            },
            5000))
            << (ListEntries(list).empty() ? "" : ListEntries(list).front());
        EXPECT_EQ(IsWindowVisible(list) != 0, !row.entries.empty());
        if (row.entries.empty()) {
            EXPECT_EQ(HeightOf(editor), fullHeight) << "the editor takes the list's height";
        } else {
            EXPECT_LT(HeightOf(editor), fullHeight);
            EXPECT_GT(ClientRectOf(list, w.Handle()).top, ClientRectOf(editor, w.Handle()).bottom)
                << "the list below the editor";
        }
        ASSERT_EQ(w.Marks().Marks().size(), row.marks.size());
        for (std::size_t i = 0; i < row.marks.size(); ++i) {
            const auto& m = w.Marks().Marks()[i];
            const auto [from, to] = w.Marks().MarkedUnits(i);
            EXPECT_EQ(std::make_tuple(m.line, from, to, m.error), row.marks[i]);
            expectWave(edit, i);
        }
        if (row.entries.empty()) continue;
        // A click on the entry goes to its line, at its column.
        w.ScriptPane().Select(0, 0);
        RECT item{};
        SendMessageW(list, LB_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&item));
        const LPARAM at = MAKELPARAM((item.left + item.right) / 2, (item.top + item.bottom) / 2);
        SendMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
        SendMessageW(list, WM_LBUTTONUP, 0, at);
        const LONG lineStart = static_cast<LONG>(SendMessageW(edit, EM_LINEINDEX, 1, 0));
        using Sel = std::pair<std::size_t, std::size_t>;
        const std::size_t column = static_cast<std::size_t>(std::get<1>(row.marks.front()));
        EXPECT_EQ(w.ScriptPane().Selection(), (Sel{lineStart + column, lineStart + column}));
        EXPECT_EQ(GetFocus(), edit);
        // Enter on it does the same.
        w.ScriptPane().Select(0, 0);
        SetFocus(list);
        SendMessageW(list, WM_KEYDOWN, VK_RETURN, 1);
        EXPECT_EQ(w.ScriptPane().Selection(), (Sel{lineStart + column, lineStart + column}));
    }

    // Until the check comes again, a mark moves with its line, and one on
    // a line being typed on goes.
    w.LoadEditor("echo(a)\r\n#goto(nowhere)\r\n");
    ASSERT_TRUE(rig.WaitFor([&] { return w.Marks().Marks().size() == 1; }, 5000));
    HWND edit = w.ScriptPane().Handle();
    w.ScriptPane().Select(0, 0);
    SendMessageW(edit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L"\r"));
    ASSERT_EQ(w.Marks().Marks().size(), 1u);
    EXPECT_EQ(w.Marks().Marks()[0].line, 2);
    const LONG end = w.ScriptPane().TextLength();
    w.ScriptPane().Select(static_cast<std::size_t>(end) - 1, static_cast<std::size_t>(end) - 1);
    SendMessageW(edit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L"x"));
    EXPECT_TRUE(w.Marks().Marks().empty());
    ASSERT_TRUE(rig.WaitFor([&] { return w.Marks().Marks().size() == 1; }, 5000));
    EXPECT_EQ(w.Marks().Marks()[0].line, 2);

    // View > Check List hides the list, and the editor takes its height.
    w.LoadEditor("#goto(nowhere)\r\n");
    ASSERT_TRUE(rig.WaitFor([&] { return IsWindowVisible(list) != 0; }, 5000));
    HMENU view = GetSubMenu(GetMenu(w.Handle()), 3);
    wchar_t caption[64] = {};
    GetMenuStringW(view, kCmdCheckList, caption, 64, MF_BYCOMMAND);
    EXPECT_EQ(std::wstring(caption), L"&Check List");
    rig.Menu(kCmdCheckList);
    EXPECT_FALSE(IsWindowVisible(list));
    EXPECT_EQ(HeightOf(editor), fullHeight);
    EXPECT_FALSE(GetMenuState(view, kCmdCheckList, MF_BYCOMMAND) & MF_CHECKED);
    rig.Menu(kCmdCheckList);
    EXPECT_TRUE(IsWindowVisible(list));
    EXPECT_TRUE(GetMenuState(view, kCmdCheckList, MF_BYCOMMAND) & MF_CHECKED);

    // Run Script on a script with errors asks; No starts nothing.
    rig.scripted.answers = {Answer::No};
    rig.Click(Control::cmdRunScript);
    EXPECT_EQ(rig.scripted.questions,
              std::vector<std::string>{"The script has 1 error. Run anyway?"});
    EXPECT_FALSE(w.core().Running());
    rig.window->core().SyncPane();
    EXPECT_EQ(rig.PaneText(), "");

    // A long script's successor comes in a new editor control: the marks
    // are painted in that one.
    std::string longScript = "#goto(nowhere)\r\n";
    for (int i = 0; i < 600; ++i)
        longScript += "echo(a)\r\n";
    w.LoadEditor(longScript);
    w.LoadEditor(longScript);
    HWND now = w.ScriptPane().Handle();
    ASSERT_NE(now, editor) << "a long text is not emptied but replaced";
    ASSERT_TRUE(rig.WaitFor([&] { return w.Marks().Marks().size() == 1; }, 5000));
    EXPECT_EQ(w.Marks().Edit(), now);
    expectWave(now, 0);
}

// ---- The real dialogs: MessageBoxW, the file dialog and Find, closed by their buttons ----

// The dialog box this thread shows now, or null.
HWND ShownDialog() {
    HWND found = nullptr;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND hwnd, LPARAM lp) -> BOOL {
            wchar_t cls[32] = {};
            GetClassNameW(hwnd, cls, 32);
            if (std::wstring(cls) == L"#32770" && IsWindowVisible(hwnd)) {
                *reinterpret_cast<HWND*>(lp) = hwnd;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

// Once a dialog shows: `act` on it (it presses a button).
void WhenDialog(std::function<void(HWND)> act) {
    Later(100, [act = std::move(act)]() mutable {
        if (HWND dialog = ShownDialog())
            act(dialog);
        else
            WhenDialog(std::move(act));
    });
}

std::string WindowText(HWND hwnd) {
    wchar_t text[1024] = {};
    GetWindowTextW(hwnd, text, 1024);
    return Utf8FromWide(text);
}

TEST(WindowWin, RealDialogsCloseByTheirButtons) {
    TestKey key;
    TempFolder folder;
    const fs::path dir(WindowsPath(folder.Path()));
    WriteBytes((dir / "open_me.tvx").string(), "echo(opened)\r\n");
    Win32Dialogs real;
    WindowRig rig(key.path, folder.Path(), &real);
    real.SetOwner(rig.window->Handle());
    ASSERT_TRUE(rig.window->Load());
    rig.window->Show(SW_SHOWNORMAL);

    // A message box: a run ends with "Script Done".
    std::string title, text;
    WhenDialog([&](HWND box) {
        title = WindowText(box);
        text = WindowText(GetDlgItem(box, 0xFFFF)); // the box's text
        SendMessageW(box, WM_COMMAND, IDOK, 0);
    });
    rig.window->LoadEditor("echo(x)\r\n");
    rig.Click(Control::cmdRunScript);
    ASSERT_TRUE(rig.WaitFor([&] { return !rig.window->core().Running(); }));
    EXPECT_TRUE(text.starts_with("Script Done")) << text;
    EXPECT_EQ(title, rig.window->core().BaseCaption());

    // The question about the unsaved script (No), then the file dialog:
    // a name typed, then Open.
    std::string question, dialogTitle;
    WhenDialog([&](HWND box) {
        question = WindowText(GetDlgItem(box, 0xFFFF));
        SendMessageW(box, WM_COMMAND, IDNO, 0);
        WhenDialog([&](HWND dialog) {
            dialogTitle = WindowText(dialog);
            const std::wstring path = (dir / "open_me.tvx").wstring();
            // The file name box of the system's dialog.
            SetDlgItemTextW(dialog, 0x47C, path.c_str());
            SetDlgItemTextW(dialog, 0x480, path.c_str());
            SendMessageW(dialog, WM_COMMAND, IDOK, 0);
        });
    });
    rig.Menu(kCmdOpen);
    EXPECT_EQ(rig.window->core().CurrentFile(), (dir / "open_me.tvx").string());
    EXPECT_EQ(rig.EditorText(), "echo(opened)\r\n");
    EXPECT_TRUE(question.starts_with("Changes have been made")) << question;
    EXPECT_EQ(dialogTitle, "Open File");

    // Find: the text typed, then OK.
    WhenDialog([&](HWND dialog) {
        EXPECT_EQ(WindowText(dialog), "Find");
        SetWindowTextW(GetDlgItem(dialog, 100), L"OPENED");
        SendMessageW(dialog, WM_COMMAND, IDOK, 0);
    });
    SetFocus(rig.window->ScriptPane().Handle());
    rig.Menu(kCmdFind);
    using Sel = std::pair<std::size_t, std::size_t>;
    EXPECT_EQ(rig.window->ScriptPane().Selection(), (Sel{5, 11}));

    // About: the program's logo beside the version, drawn at its design size.
    std::string aboutTitle, version;
    SIZE logo{};
    WhenDialog([&](HWND box) {
        aboutTitle = WindowText(box);
        version = WindowText(GetDlgItem(box, 102));
        const auto icon = reinterpret_cast<HICON>(SendDlgItemMessageW(box, 101, STM_GETICON, 0, 0));
        ICONINFO info{};
        if (icon && GetIconInfo(icon, &info)) {
            BITMAP bits{};
            GetObjectW(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof bits, &bits);
            logo = {bits.bmWidth, info.hbmColor ? bits.bmHeight : bits.bmHeight / 2};
            if (info.hbmColor) DeleteObject(info.hbmColor);
            DeleteObject(info.hbmMask);
        }
        SendMessageW(box, WM_COMMAND, IDOK, 0);
    });
    rig.Menu(kCmdAbout);
    EXPECT_EQ(aboutTitle, "About");
    EXPECT_TRUE(version.starts_with("Talvex\r\nVersion ")) << version;
    const int side = 1500 * rig.window->Dpi() / 1440;
    EXPECT_EQ(logo.cx, side);
    EXPECT_EQ(logo.cy, side);
}

// ---- Help > View on a PC without a PDF viewer ----

std::wstring TreeText(HWND tree, HTREEITEM item) {
    wchar_t text[256] = {};
    TVITEMW got{};
    got.mask = TVIF_TEXT;
    got.hItem = item;
    got.pszText = text;
    got.cchTextMax = 256;
    SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&got));
    return text;
}

HTREEITEM TreeNext(HWND tree, UINT how, HTREEITEM from = nullptr) {
    return reinterpret_cast<HTREEITEM>(
        SendMessageW(tree, TVM_GETNEXTITEM, how, reinterpret_cast<LPARAM>(from)));
}

// The entries below `parent` (the top ones for null).
std::vector<std::string> TreeEntries(HWND tree, HTREEITEM parent) {
    std::vector<std::string> out;
    for (HTREEITEM i = parent ? TreeNext(tree, TVGN_CHILD, parent) : TreeNext(tree, TVGN_ROOT); i;
         i = TreeNext(tree, TVGN_NEXT, i))
        out.push_back(Utf8FromWide(TreeText(tree, i)));
    return out;
}

HTREEITEM TreeEntry(HWND tree, const std::string& text, HTREEITEM parent = nullptr) {
    for (HTREEITEM i = parent ? TreeNext(tree, TVGN_CHILD, parent) : TreeNext(tree, TVGN_ROOT); i;
         i = TreeNext(tree, TVGN_NEXT, i)) {
        if (Utf8FromWide(TreeText(tree, i)) == text) return i;
        if (HTREEITEM below = TreeEntry(tree, text, i)) return below;
    }
    return nullptr;
}

std::wstring TextRange(HWND edit, long start, long end) {
    std::wstring text(static_cast<std::size_t>(end - start) + 1, L'\0');
    TEXTRANGEW range{{start, end}, text.data()};
    SendMessageW(edit, EM_GETTEXTRANGE, 0, reinterpret_cast<LPARAM>(&range));
    return text.c_str();
}

long TextLength(HWND edit) {
    GETTEXTLENGTHEX how{GTL_NUMCHARS | GTL_PRECISE, 1200};
    return static_cast<long>(
        SendMessageW(edit, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&how), 0));
}

// The text of the guide's first line in view.
std::string TopLine(HWND edit) {
    const auto first = SendMessageW(edit, EM_GETFIRSTVISIBLELINE, 0, 0);
    const auto start = static_cast<long>(SendMessageW(edit, EM_LINEINDEX, first, 0));
    const auto length = static_cast<long>(SendMessageW(edit, EM_LINELENGTH, start, 0));
    return Utf8FromWide(TextRange(edit, start, start + length));
}

std::pair<long, long> TextSelection(HWND edit) {
    CHARRANGE sel{};
    SendMessageW(edit, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&sel));
    return {sel.cpMin, sel.cpMax};
}

// The Markdown's "#" lines (outside fenced blocks) at `prefix`'s level.
std::vector<std::string> MarkdownHeadings(const std::string& markdown, const std::string& prefix) {
    std::vector<std::string> out;
    std::istringstream lines(markdown);
    bool fenced = false;
    for (std::string line; std::getline(lines, line);) {
        if (line.starts_with("```")) fenced = !fenced;
        if (!fenced && line.starts_with(prefix)) {
            std::string text = line.substr(prefix.size());
            std::erase(text, '`');
            out.push_back(text);
        }
    }
    return out;
}

// A PC without a PDF viewer: ".pdf" belongs to no program (Wine's prefix
// hands it to its browser), as it was again at the end.
struct NoPdfViewer {
    std::optional<std::wstring> before;
    NoPdfViewer() {
        wchar_t old[256] = {};
        DWORD size = sizeof old;
        if (RegGetValueW(HKEY_CLASSES_ROOT, L".pdf", nullptr, RRF_RT_REG_SZ, nullptr, old, &size) ==
            ERROR_SUCCESS)
            before = old;
        Set(L"TalvexTest.NoViewer");
    }
    ~NoPdfViewer() {
        if (before)
            Set(*before);
        else
            RegDeleteTreeW(HKEY_CLASSES_ROOT, L".pdf");
    }
    static void Set(const std::wstring& type) {
        RegSetKeyValueW(HKEY_CLASSES_ROOT, L".pdf", nullptr, REG_SZ, type.c_str(),
                        static_cast<DWORD>((type.size() + 1) * sizeof(wchar_t)));
    }
};

struct GuideFind {
    const char* typed;
    UINT key;   // pressed in the find field (Enter), or 0: the Find Next button
    int times;  // presses
    bool found; // the last press selects the text typed
    const char* status;
};

TEST(WindowWin, HelpViewWithoutAPdfViewerShowsTheGuideWindow) {
    TestKey key;
    NoPdfViewer noViewer;
    TempFolder folder;
    const fs::path dir(WindowsPath(folder.Path()));
    WriteBytes((dir / "talvex_help.pdf").string(), "%PDF-1.4\n");
    const std::string markdown = Read(GUIDE_MARKDOWN);
    ASSERT_FALSE(markdown.empty());
    EXPECT_EQ(BuiltInGuide(), markdown) << "the program carries the guide as the source has it";

    Win32Dialogs real;
    WindowRig rig(key.path, dir.string(), &real);
    real.SetOwner(rig.window->Handle());
    ASSERT_TRUE(rig.window->Load());
    rig.window->Show(SW_SHOWNORMAL);
    // Should the prefix open the PDF after all, or the guide fail: the box
    // says so, and is closed.
    std::string box;
    WhenDialog([&](HWND dialog) {
        box = WindowText(GetDlgItem(dialog, 0xFFFF));
        SendMessageW(dialog, WM_COMMAND, IDOK, 0);
    });
    rig.Menu(kCmdHelpView);
    rig.Pump();
    GuideWindow* guide = real.Guide();
    ASSERT_NE(guide, nullptr) << box;
    ASSERT_TRUE(IsWindowVisible(guide->Handle()));
    EXPECT_EQ(WindowText(guide->Handle()), "Talvex User's Guide");
    const HWND text = guide->Item(GuideWindow::kText);
    const HWND tree = guide->Item(GuideWindow::kContents);

    // The guide's text holds its chapters and sections, each a line of its own.
    const std::vector<std::string> chapters = MarkdownHeadings(markdown, "# ");
    const std::vector<std::string> sections = MarkdownHeadings(markdown, "## ");
    ASSERT_GT(chapters.size(), 20u);
    const std::string shown = Utf8FromWide(TextRange(text, 0, TextLength(text)));
    for (const auto* list : {&chapters, &sections})
        for (const std::string& h : *list)
            EXPECT_NE(("\r" + shown).find("\r" + h + "\r"), std::string::npos) << h;

    // The contents: chapters at the top, their sections below them.
    EXPECT_EQ(TreeEntries(tree, nullptr), chapters);
    HTREEITEM start = TreeEntry(tree, "1. Getting started");
    ASSERT_NE(start, nullptr);
    const std::vector<std::string> startSections = TreeEntries(tree, start);
    ASSERT_FALSE(startSections.empty());
    EXPECT_EQ(startSections.front(), "Installing");

    // Choosing an entry brings its heading to the top of the text, by a
    // click on one not chosen yet, or again on the one chosen after scrolling away.
    for (const std::string heading : {"19. Running under Windows", "Operators", "Operators"}) {
        SCOPED_TRACE(heading);
        HTREEITEM entry = TreeEntry(tree, heading);
        ASSERT_NE(entry, nullptr);
        SendMessageW(tree, TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(entry));
        SendMessageW(text, EM_LINESCROLL, 0, -100000); // the top of the guide
        RECT r{};
        std::memcpy(&r, &entry, sizeof entry); // TVM_GETITEMRECT's item
        ASSERT_TRUE(SendMessageW(tree, TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(&r)));
        POINT at{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
        POINT screen = at;
        ClientToScreen(tree, &screen);
        SetCursorPos(screen.x, screen.y);
        PostMessageW(tree, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(at.x, at.y));
        PostMessageW(tree, WM_LBUTTONUP, 0, MAKELPARAM(at.x, at.y));
        rig.Pump();
        rig.Pump();
        EXPECT_EQ(TreeNext(tree, TVGN_CARET), entry);
        EXPECT_GT(SendMessageW(text, EM_GETFIRSTVISIBLELINE, 0, 0), 0);
        EXPECT_EQ(TopLine(text), heading);
    }

    // Find: every place in turn, then round to the first once; Enter in the
    // field as the button; text the guide lacks leaves the selection.
    const std::string word = "korva32.exe";
    int times = 0;
    for (std::size_t at = shown.find(word); at != std::string::npos; at = shown.find(word, at + 1))
        ++times;
    ASSERT_GT(times, 2);
    const std::vector<GuideFind> finds{
        {"korva32.exe", VK_RETURN, 1, true, ""},
        {"KORVA32.EXE", 0, times - 1, true, ""},
        {"korva32.exe", VK_RETURN, 1, true, "From the top"},
        {"no such words in the guide", VK_RETURN, 1, false, "Not found"},
    };
    const HWND field = guide->Item(GuideWindow::kFindBox);
    SendMessageW(text, EM_SETSEL, 0, 0);
    std::vector<long> seen;
    for (const GuideFind& f : finds) {
        SCOPED_TRACE(f.typed);
        SetWindowTextW(field, WideFromUtf8(f.typed).c_str());
        for (int i = 0; i < f.times; ++i) {
            const auto before = TextSelection(text);
            if (f.key) {
                SetFocus(field);
                PostMessageW(field, WM_KEYDOWN, f.key, 1);
                PostMessageW(field, WM_KEYUP, f.key, 0xC0000001);
                rig.Pump();
            } else {
                SendMessageW(guide->Item(GuideWindow::kNext), BM_CLICK, 0, 0);
            }
            const auto [from, to] = TextSelection(text);
            if (!f.found) {
                EXPECT_EQ(TextSelection(text), before);
                continue;
            }
            EXPECT_EQ(Utf8FromWide(TextRange(text, from, to)), "korva32.exe");
            seen.push_back(from);
        }
        EXPECT_EQ(WindowText(guide->Item(GuideWindow::kStatus)), f.status);
    }
    ASSERT_EQ(seen.size(), static_cast<std::size_t>(times) + 1);
    EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end() - 1));
    EXPECT_EQ(std::set<long>(seen.begin(), seen.end()).size(), static_cast<std::size_t>(times));
    EXPECT_EQ(seen.back(), seen.front());

    // Closed, it hides; Help > View shows the same window again.
    SendMessageW(guide->Handle(), WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindowVisible(guide->Handle()));
    rig.Menu(kCmdHelpView);
    EXPECT_EQ(real.Guide(), guide);
    EXPECT_TRUE(IsWindowVisible(guide->Handle()));
    EXPECT_EQ(box, "");
}

} // namespace
} // namespace talvex::testing
