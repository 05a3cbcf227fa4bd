// The DDE host link against korva32-sim.exe: what the engine and a front end
// see of it (responses, dynamic data and its deferred click, the lost-link
// and start-up rules) and where it looks for the host.
#include "ddelink/dde_host_link.h"
#include "ddelink/korva_search.h"
#include "ddelink/message_pump.h"
#include "ddelink/wide_text.h"
#include "tests/support/windows_path.h"

#include <gtest/gtest.h>

#include <tlhelp32.h>

#include <fstream>
#include <string>
#include <vector>

namespace talvex {
namespace {

using talvex::testing::WindowsPath;

const std::wstring kSim = WindowsPath(KORVA32_SIM_EXE);
const std::wstring kMute = L"C:\\windows\\system32\\notepad.exe"; // runs, offers no service

// A link with a DDE service of its own, which a simulator it starts serves
// too (it reads KORVA_SERVICE from the environment it inherits).
struct LinkRig {
    MessagePump pump;
    DdeHostLink link{pump};
    std::vector<std::string> messages;

    explicit LinkRig(const std::wstring& host = kSim) {
        static int serial = 0;
        const std::wstring service = L"KORVA_LINKTEST_" + std::to_wstring(GetCurrentProcessId()) +
                                     L"_" + std::to_wstring(++serial);
        SetEnvironmentVariableW(L"KORVA_SERVICE", service.c_str());
        link.SetService(service);
        link.SetHostSearch(KorvaSearch::Only(host));
        link.SetMessageHandler([this](DdeMessageIcon, const std::string&, const std::string& text) {
            messages.push_back(text);
        });
    }
    ~LinkRig() {
        link.Uninit(false);
        link.WaitForHostExit();
    }
};

// Runs `action` from the pump `ms` milliseconds from now, while the link waits.
class Later {
public:
    Later(MessagePump& pump, int ms, std::function<void()> action)
        : pump_(pump), timer_(CreateWaitableTimerW(nullptr, FALSE, nullptr)) {
        LARGE_INTEGER due;
        due.QuadPart = -10000LL * ms;
        SetWaitableTimer(timer_, &due, 0, nullptr, nullptr, FALSE);
        pump_.Watch(timer_, std::move(action));
    }
    ~Later() {
        pump_.Unwatch(timer_);
        CloseHandle(timer_);
    }
    Later(const Later&) = delete;
    Later& operator=(const Later&) = delete;

private:
    MessagePump& pump_;
    HANDLE timer_;
};

// Stops (or lets go on) every thread of a process: a host that hangs.
void FreezeProcess(DWORD pid, bool freeze) {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
        if (entry.th32OwnerProcessID != pid) continue;
        if (HANDLE thread = OpenThread(THREAD_SUSPEND_RESUME, FALSE, entry.th32ThreadID)) {
            freeze ? SuspendThread(thread) : ResumeThread(thread);
            CloseHandle(thread);
        }
    }
    CloseHandle(snapshot);
}

bool ProcessRuns(DWORD pid) {
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, pid);
    if (!process) return false;
    const bool runs = WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
    CloseHandle(process);
    return runs;
}

using Clock = std::chrono::steady_clock;

long long MillisSince(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

TEST(DdeHostLink, SendsRequestsAndExecutesInWindows1252AndExitsTheHostItStarted) {
    LinkRig rig;
    ASSERT_TRUE(rig.link.Init()) << (rig.messages.empty() ? "" : rig.messages.front());
    EXPECT_TRUE(rig.link.StartedHost());
    EXPECT_EQ(rig.link.HostDir(), Utf8FromWide(FolderOf(kSim)) + "\\");

    rig.link.SendA("echo(\xc2\xb1"
                   "0.5)");
    EXPECT_EQ(rig.link.ReturnStr(), "\xc2\xb1"
                                    "0.5");
    EXPECT_EQ(rig.link.SendBox(), "echo(\xc2\xb1"
                                  "0.5)");
    // A request, then executes: what a request leaves in the queue must not
    // answer the next transaction.
    for (const char* text : {"\xc2\xb1"
                             "r1",
                             "r2", "r3"}) {
        rig.link.Send(std::string("echo(") + text + ")");
        EXPECT_EQ(rig.link.ReturnStr(), text);
    }
    rig.link.SendA("set(a=1)");
    rig.link.SendA("get(a)");
    EXPECT_EQ(rig.link.ReturnStr(), "a=1");
    EXPECT_FALSE(rig.link.Error());
    rig.link.SendA("no such command");
    EXPECT_TRUE(rig.link.Error()) << rig.link.ReturnStr();
    rig.link.SendA("measure(v)");
    EXPECT_NE(rig.link.ParmErrBar("v="), 9e30) << rig.link.ReturnStr();

    // Not sent at all rather than sent with a "?".
    rig.link.SendA("echo(\xe2\x9c\x93)");
    EXPECT_EQ(rig.link.ReturnStr(), std::string(DdeHostLink::kUnsendableText) + "\xe2\x9c\x93");

    rig.link.Uninit(false);
    EXPECT_TRUE(rig.link.WaitForHostExit()) << "a host we started is told to exit";
    EXPECT_TRUE(rig.messages.empty());
}

TEST(DdeHostLink, AHostThatRunsAlreadyIsLinkedNotStartedAndNotEnded) {
    LinkRig first;
    ASSERT_TRUE(first.link.Init());
    MessagePump pump;
    DdeHostLink second(pump);
    second.SetService(first.link.Service());
    // Linked although its program is nowhere to be found: the search is only
    // for starting a host.
    second.SetHostSearch(KorvaSearch::Only(L"C:\\no\\such\\korva32.exe"));
    std::vector<std::string> told;
    second.SetMessageHandler(
        [&](DdeMessageIcon, const std::string&, const std::string& text) { told.push_back(text); });
    ASSERT_TRUE(second.Init());
    EXPECT_TRUE(told.empty()) << told.front();
    EXPECT_FALSE(second.StartedHost());
    EXPECT_EQ(second.HostDir(), "") << "the program's place is not known";
    EXPECT_TRUE(second.Init()) << "a second Init while linked changes nothing";
    second.Uninit(false);
    first.link.SendA("echo(still here)");
    EXPECT_EQ(first.link.ReturnStr(), "still here");
}

// How many movable global memory handles this process may still take (at
// most `cap`): DDE data lives in them, and Wine's table of them is small.
int FreeGlobalHandles(int cap = 70000) {
    std::vector<HGLOBAL> taken;
    taken.reserve(static_cast<std::size_t>(cap));
    while (static_cast<int>(taken.size()) < cap) {
        HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, 1);
        if (!h) break;
        taken.push_back(h);
    }
    for (HGLOBAL h : taken)
        GlobalFree(h);
    return static_cast<int>(taken.size());
}

TEST(DdeHostLink, KeepsNoDdeHandlesOfItsOwnPerCommand) {
    LinkRig rig;
    ASSERT_TRUE(rig.link.Init());
    rig.link.SendA("echo(warm)");
    rig.link.Send("echo(warm)");
    const int before = FreeGlobalHandles();
    constexpr int kRounds = 500;
    for (int i = 0; i < kRounds; ++i) {
        rig.link.SendA("echo(" + std::to_string(i) + ")");
        ASSERT_EQ(rig.link.ReturnStr(), std::to_string(i));
        rig.link.Send("echo(r" + std::to_string(i) + ")");
        ASSERT_EQ(rig.link.ReturnStr(), "r" + std::to_string(i));
    }
    // Wine's DDEML keeps the copy of each reply it receives (one handle per
    // transaction, freed by nobody); anything beyond that would be ours.
    EXPECT_LE(before - FreeGlobalHandles(), 2 * kRounds);
}

TEST(DdeHostLink, DynamicDataReachesTheRegisteredClickAfterTheEvent) {
    LinkRig rig;
    ASSERT_TRUE(rig.link.Init());
    // The push comes on a conversation of its own: it may trail the response.
    const auto dynamicIs = [&](const std::string& text) {
        return rig.pump.WaitUntil([&] { return rig.link.DynReturn() == text; },
                                  std::chrono::seconds(5));
    };
    rig.link.SendA("dyn(before)");
    dynamicIs("before");
    EXPECT_EQ(rig.link.DynReturn(), "before") << "data without a report changes DynDDE only";

    std::vector<std::string> seen;
    rig.link.SetDynReport([&] { seen.push_back(rig.link.DynReturn()); });
    rig.link.SendA("dyn(x=2.5)");
    rig.pump.WaitUntil([&] { return seen.size() >= 2; }, std::chrono::seconds(5));
    // SendA's clearing is a change too; each click reads the data it finds.
    EXPECT_EQ(seen, (std::vector<std::string>{"", "x=2.5"}));
    EXPECT_EQ(rig.link.DynParm("x="), 2.5);

    rig.link.ClearDynReport();
    rig.link.SendA("dyn(after)");
    EXPECT_TRUE(dynamicIs("after"));
    rig.pump.ProcessPending();
    EXPECT_EQ(seen.size(), 2u);
}

TEST(DdeHostLink, ALostLinkAnswersWithTheLossAndStartsNothingUntilCleared) {
    LinkRig rig;
    ASSERT_TRUE(rig.link.Init());
    const DWORD firstHost = rig.link.HostPid();
    // The host dies while a command waits for its response.
    HANDLE timer = CreateWaitableTimerW(nullptr, FALSE, nullptr);
    LARGE_INTEGER due;
    due.QuadPart = -3000000; // 300 ms
    SetWaitableTimer(timer, &due, 0, nullptr, nullptr, FALSE);
    rig.pump.Watch(timer, [&] {
        HANDLE host = OpenProcess(PROCESS_TERMINATE, FALSE, firstHost);
        TerminateProcess(host, 9);
        CloseHandle(host);
    });
    rig.link.SendA("wait(60000)");
    rig.pump.Unwatch(timer);
    CloseHandle(timer);
    EXPECT_EQ(rig.link.ReturnStr(), kLinkLostReply);
    EXPECT_FALSE(rig.link.Init());
    EXPECT_EQ(rig.link.HostPid(), firstHost) << "no fresh host behind the user's back";

    rig.link.ClearLinkLoss();
    ASSERT_TRUE(rig.link.Init());
    EXPECT_NE(rig.link.HostPid(), firstHost);
    rig.link.SendA("echo(again)");
    EXPECT_EQ(rig.link.ReturnStr(), "again");
}

TEST(DdeHostLink, AHostThatStopsAnsweringGetsTheHardCancelAtOnceAndCanBeDropped) {
    LinkRig rig;
    rig.link.SetNoticeDelays(std::chrono::milliseconds(1000), std::chrono::milliseconds(60000));
    ASSERT_TRUE(rig.link.Init());
    const DWORD host = rig.link.HostPid();
    long long hardCancelMs = -1;
    rig.link.SetHardCancelNotice([&] { rig.link.DropLink(); }); // the user gives up on it
    Later freeze(rig.pump, 300, [&] { FreezeProcess(host, true); });
    Later cancel(rig.pump, 800, [&] {
        const Clock::time_point cancelledAt = Clock::now();
        rig.link.HardCancel();
        hardCancelMs = MillisSince(cancelledAt);
    });
    rig.link.SendA("wait(60000)");
    EXPECT_EQ(rig.link.ReturnStr(), kLinkDroppedReply);
    EXPECT_GE(hardCancelMs, 0);
    EXPECT_LT(hardCancelMs, 900) << "the hard cancel waited for a host that does not answer";
    EXPECT_TRUE(ProcessRuns(host)) << "the host process is left alone";

    // The host wakes up; the next run links to it again.
    FreezeProcess(host, false);
    rig.link.ClearLinkLoss();
    ASSERT_TRUE(rig.link.Init());
    EXPECT_EQ(rig.link.HostPid(), host);
    rig.link.SendA("echo(awake)");
    EXPECT_EQ(rig.link.ReturnStr(), "awake");
}

TEST(DdeHostLink, TheSetUpWithAHostThatDoesNotAnswerIsBounded) {
    LinkRig first;
    ASSERT_TRUE(first.link.Init());
    const DWORD host = first.link.HostPid();
    FreezeProcess(host, true);
    LinkRig second;
    second.link.SetSetUpTimeout(std::chrono::milliseconds(1500));
    second.link.SetService(first.link.Service());
    const Clock::time_point start = Clock::now();
    EXPECT_FALSE(second.link.Init());
    EXPECT_LT(MillisSince(start), 8000);
    EXPECT_EQ(
        second.messages,
        std::vector<std::string>{"Could not initialize KORVA DDE link\nthe host does not answer"});
    EXPECT_FALSE(second.link.StartedHost()) << "no second host beside one that hangs";
    FreezeProcess(host, false);
    first.link.SendA("echo(on)");
    EXPECT_EQ(first.link.ReturnStr(), "on");
}

TEST(DdeHostLink, UninitSeesTheHostItStartedEndWithoutWaitingOutTheExitTimeout) {
    LinkRig rig;
    rig.link.SetExitTimeout(std::chrono::milliseconds(20000));
    ASSERT_TRUE(rig.link.Init());
    const Clock::time_point start = Clock::now();
    rig.link.Uninit(false);
    EXPECT_LT(MillisSince(start), 10000);
    EXPECT_TRUE(rig.link.WaitForHostExit(std::chrono::milliseconds(0)));
}

TEST(DdeHostLink, TheStartUpCanBeCancelled) {
    LinkRig rig(kMute);
    rig.pump.Post([&] { rig.link.CancelStart(); });
    EXPECT_FALSE(rig.link.Init());
    EXPECT_TRUE(rig.messages.empty()) << "a cancelled start-up tells nothing";
    EXPECT_EQ(rig.link.HostPid(), 0u) << "the host whose start-up was ended is ended";
}

TEST(DdeHostLink, FailuresToFindStartOrLinkTheHostAreToldWithTheirReason) {
    {
        LinkRig rig(L"C:\\no\\such\\korva32.exe");
        EXPECT_FALSE(rig.link.Init());
        EXPECT_EQ(rig.messages,
                  std::vector<std::string>{
                      "Could not find KORVA32\nC:\\no\\such\\korva32.exe: no such file"});
    }
    {
        // A file that exists but is no program.
        wchar_t dir[MAX_PATH + 1];
        GetTempPathW(MAX_PATH + 1, dir);
        const std::wstring bogus = std::wstring(dir) + L"talvex-bogus-korva32.exe";
        std::ofstream(bogus.c_str()) << "not a program";
        LinkRig rig(bogus);
        EXPECT_FALSE(rig.link.Init());
        ASSERT_EQ(rig.messages.size(), 1u);
        EXPECT_EQ(
            rig.messages.front().rfind("Could not run KORVA\n" + Utf8FromWide(bogus) + ": ", 0), 0u)
            << rig.messages.front();
        DeleteFileW(bogus.c_str());
    }
    {
        LinkRig rig(kMute);
        rig.link.SetLinkTimeout(std::chrono::milliseconds(1500));
        EXPECT_FALSE(rig.link.Init());
        EXPECT_EQ(rig.messages,
                  std::vector<std::string>{"Could not initialize KORVA DDE link\n" +
                                           Utf8FromWide(rig.link.Service()) +
                                           "|DDE_Control: no conversation established"});
        EXPECT_EQ(rig.link.HostPid(), 0u) << "a host that did not come up is not left running";
    }
}

// Where the host is looked for, in order; a file of at least one byte counts.
TEST(KorvaSearch, FindsTheFirstUsableHostInOrder) {
    wchar_t temp[MAX_PATH + 1];
    GetTempPathW(MAX_PATH + 1, temp);
    const std::wstring root =
        std::wstring(temp) + L"tvx-search-" + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(root.c_str(), nullptr);
    CreateDirectoryW((root + L"\\bin").c_str(), nullptr);
    CreateDirectoryW((root + L"\\fixed").c_str(), nullptr);
    const auto write = [](const std::wstring& path, const char* bytes) {
        std::ofstream(path.c_str(), std::ios::binary) << bytes;
    };
    write(root + L"\\korva32.exe", "x");
    write(root + L"\\fixed\\korva32.exe", "x");
    write(root + L"\\bin\\korva32.exe", ""); // empty: not a host

    KorvaSearch s;
    s.ownFolder = root + L"\\bin";
    s.fixed = {root + L"\\fixed\\korva32.exe"};
    EXPECT_EQ(FindKorva(s), root + L"\\korva32.exe") << "the parent after an empty own one";
    s.envKorva32 = root + L"\\fixed\\korva32.exe";
    EXPECT_EQ(FindKorva(s), s.envKorva32) << "KORVA32 first";
    s.envKorva32 = root + L"\\missing.exe";
    DeleteFileW((root + L"\\korva32.exe").c_str());
    EXPECT_EQ(FindKorva(s), root + L"\\fixed\\korva32.exe");
    DeleteFileW((root + L"\\fixed\\korva32.exe").c_str());
    EXPECT_EQ(FindKorva(s), L"");
    EXPECT_EQ(KorvaSearchFailure(s), Utf8FromWide(s.envKorva32) +
                                         ": no such file; no korva32.exe beside the program or "
                                         "in the usual places");

    DeleteFileW((root + L"\\bin\\korva32.exe").c_str());
    RemoveDirectoryW((root + L"\\bin").c_str());
    RemoveDirectoryW((root + L"\\fixed").c_str());
    RemoveDirectoryW(root.c_str());
}

TEST(KorvaSearch, TheRootedPlacesAreOnTheCurrentDrive) {
    const KorvaSearch s = KorvaSearch::FromEnvironment();
    ASSERT_EQ(s.fixed.size(), 4u);
    EXPECT_EQ(s.fixed[0], s.drive + L"\\korva32\\korva32.exe");
    EXPECT_EQ(s.fixed[1], s.drive + L"\\korva\\korva32.exe");
    EXPECT_EQ(s.fixed[2], L"c:\\korva32\\korva32.exe");
    EXPECT_EQ(s.fixed[3], L"d:\\korva32\\korva32.exe");
    EXPECT_EQ(FolderOf(L"C:\\korva32.exe"), L"C:");
}

} // namespace
} // namespace talvex
