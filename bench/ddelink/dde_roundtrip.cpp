// Times the DDE round trip a script command makes: an execute on the control
// topic and the wait for the response on the asynchronous topic, through the
// host link as talvex-run.exe uses it. Google Benchmark has no mingw build
// here, so this counts for itself.
// Usage: dde_roundtrip [ROUNDS] with KORVA32 naming the host (korva32-sim.exe).
#include "ddelink/dde_host_link.h"
#include "ddelink/message_pump.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

// Under Wine a host serves at most 32,767 executes: Wine's DDEML keeps two
// global memory handles per execute in the host (the command's copy it hands
// the callback, the reply it posts on the hot link), one in the client, and
// frees none of them; its table holds 65,535. Windows frees them.
constexpr int kWineRounds = 30000;

bool UnderWine() {
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

} // namespace

int main(int argc, char** argv) {
    int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5000;
    if (UnderWine() && rounds > kWineRounds) {
        std::fprintf(stderr, "under Wine: %d rounds, not %d (Wine's DDEML keeps its handles)\n",
                     kWineRounds, rounds);
        rounds = kWineRounds;
    }
    talvex::MessagePump pump;
    talvex::DdeHostLink link(pump);
    if (!link.Init(std::wstring(), false)) return 3;

    using Clock = std::chrono::steady_clock;
    std::vector<double> micros;
    micros.reserve(static_cast<std::size_t>(rounds));
    // A few rounds first, so start-up costs stay out of the figure.
    for (int i = 0; i < 50; ++i)
        link.SendA("echo(warm)");
    const Clock::time_point all = Clock::now();
    for (int i = 0; i < rounds; ++i) {
        const Clock::time_point t = Clock::now();
        link.SendA("echo(" + std::to_string(i) + ")");
        micros.push_back(std::chrono::duration<double, std::micro>(Clock::now() - t).count());
        if (link.ReturnStr() != std::to_string(i)) {
            std::fprintf(stderr, "round %d: unexpected response \"%s\"\n", i,
                         link.ReturnStr().c_str());
            link.Uninit(false);
            return 1;
        }
    }
    const double total = std::chrono::duration<double>(Clock::now() - all).count();
    link.Uninit(false);

    std::sort(micros.begin(), micros.end());
    const auto at = [&](double q) {
        return micros[std::min(micros.size() - 1, static_cast<std::size_t>(q * micros.size()))];
    };
    std::printf("execute-and-wait round trips: %d in %.3f s, %.0f per second\n", rounds, total,
                rounds / total);
    std::printf("  median %.0f us, p10 %.0f us, p90 %.0f us, p99 %.0f us, max %.0f us\n", at(0.5),
                at(0.1), at(0.9), at(0.99), micros.back());
    return 0;
}
