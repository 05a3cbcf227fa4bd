// talvex.exe's window under Wine, in-process, against korva32-sim.exe: each
// case drives the window through its own messages (clicks, menu commands,
// keys, text) and checks what a user sees: pane text, log bytes, the editor,
// the menus, the registry, the controls' places.
#include "tests/win32/window_rig.h"

#include "ddelink/wide_text.h"
#include "tests/app/temp_folder.h"
#include "win32/modal_form.h"
#include "win32/win32_dialogs.h"
#include "windowcore/window_layout.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>

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
    std::string pane;                   // the response pane after the run
    std::vector<std::string> messages;  // the start of each box's text
    std::function<void(WindowRig&)> check; // what else the user sees
};

TEST(WindowWin, RunControlDuringWaits) {
    const std::string done = "Script Done";
    const std::string cancelled = "cancelled\r\nscript interrupted by user\r\n";
    const std::vector<RunCase> cases{
        {"CancelDuringWait", "wait(60000)\r\necho(never)\r\n", {},
         [](WindowRig& r) { r.Click(Control::cmdCancel); }, cancelled,
         {"Ending Script please wait.", done}, nullptr},
        {"EscapeDuringWait", "wait(60000)\r\necho(never)\r\n", {Answer::Yes},
         [](WindowRig& r) { PressKey(r, VK_ESCAPE); }, cancelled,
         {"Ending Script please wait.", done},
         [](WindowRig& r) { EXPECT_EQ(r.scripted.questions, std::vector<std::string>{"Cancel Script?"}); }},
        {"CancelDuringSilent", "silent()\r\necho(never)\r\n", {},
         [](WindowRig& r) { r.Click(Control::cmdCancel); }, cancelled,
         {"Ending Script please wait.", done}, nullptr},
        {"EscapeDuringSilent", "silent()\r\necho(never)\r\n", {Answer::Yes},
         [](WindowRig& r) { PressKey(r, VK_ESCAPE); }, cancelled,
         {"Ending Script please wait.", done}, nullptr},
        {"HardCancel", "wait(60000)\r\necho(after)\r\n", {},
         [](WindowRig& r) { r.Menu(kCmdHardCancel); }, "cancelled\r\nafter\r\n", {done},
         [](WindowRig& r) { EXPECT_TRUE(r.EditorText().ends_with("\r\nhardcancel")) << r.EditorText(); }},
        {"LostLink", "echo(before)\r\nwait(60000)\r\necho(never)\r\n", {},
         [](WindowRig& r) {
             HANDLE host = OpenProcess(PROCESS_TERMINATE, FALSE, r.host.HostPid());
             TerminateProcess(host, 9);
             CloseHandle(host);
         },
         "before\r\nError: link to KORVA lost\r\nscript error",
         {"Error: link to KORVA lost", done}, nullptr},
        {"CloseDuringRun", "wait(60000)\r\necho(never)\r\n", {Answer::Yes, Answer::No},
         [](WindowRig& r) { PostMessageW(r.window->Handle(), WM_CLOSE, 0, 0); }, cancelled, {},
         [](WindowRig& r) {
             EXPECT_TRUE(r.WaitFor([&] { return r.window->Closed(); }, 5000)) << "the window closed";
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
        if (!rig.window->Closed()) EXPECT_EQ(rig.PaneText(), Lf(c.pane));
        EXPECT_EQ(rig.scripted.messages.size(), c.messages.size());
        for (std::size_t i = 0; i < std::min(c.messages.size(), rig.scripted.messages.size()); ++i)
            EXPECT_TRUE(rig.scripted.messages[i].starts_with(c.messages[i])) << rig.scripted.messages[i];
        if (c.check) c.check(rig);
    }
}

} // namespace
} // namespace talvex::testing
