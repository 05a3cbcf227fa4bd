// Host link speed.
//
//   SendA/echo         SendA round trips of echo(x) against a running korva32
//   RawKorva           the same round trip by hand over a plain socket to korva32
//   RawPingPong        the floor: the same bytes each way over a plain AF_UNIX
//                      socket pair, a forked peer answering
//   SendA/16MiB        echo of a 16 MiB text, end to end
//   SendA/IdleWait     CPU used by this process while korva32 works on wait(3000)
//
// Latency percentiles are reported as counters (p50_us, p99_us). The link
// waits in Qt's default event loop (GLib where present), as the GUI's does;
// run with QT_NO_GLIB=1 to measure it in the plain loop talvex-run uses.
#include "hostlink/host_link.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

void ReportPercentiles(benchmark::State& state, std::vector<double>& micros) {
    if (micros.empty()) return;
    std::sort(micros.begin(), micros.end());
    const auto at = [&](double q) {
        return micros[std::min(micros.size() - 1, std::size_t(q * double(micros.size())))];
    };
    state.counters["p50_us"] = at(0.50);
    state.counters["p99_us"] = at(0.99);
}

// The bytes the link and korva32 exchange for one echo(x) round trip.
std::string RequestLine(const std::string& command) {
    return "{\"jsonrpc\":\"2.0\",\"id\":12345,\"method\":\"execute\",\"params\":{\"topic\":"
           "\"DDE_Control\",\"command\":\"" +
           command + "\"}}\n";
}
std::string AnswerLines(const std::string& response) {
    return "{\"jsonrpc\":\"2.0\",\"id\":12345,\"result\":null}\n"
           "{\"jsonrpc\":\"2.0\",\"method\":\"changed\",\"params\":{\"topic\":"
           "\"DDE_AsyncResponse\",\"item\":\"Data\",\"data\":\"" +
           response + "\"}}\n";
}

bool WriteAll(int fd, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n <= 0) return false;
        done += std::size_t(n);
    }
    return true;
}

// Reads until `newlines` line ends have arrived.
bool ReadLines(int fd, int newlines, std::string& buf) {
    buf.clear();
    char chunk[65536];
    int seen = 0;
    while (seen < newlines) {
        const ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n <= 0) return false;
        for (ssize_t i = 0; i < n; ++i)
            if (chunk[i] == '\n') ++seen;
        buf.append(chunk, std::size_t(n));
    }
    return true;
}

void SendAEcho(benchmark::State& state, talvex::HostLink* link) {
    const std::string payload(std::size_t(state.range(0)), 'x');
    const std::string command = "echo(" + payload + ")";
    std::vector<double> micros;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        link->SendA(command);
        micros.push_back(std::chrono::duration<double, std::micro>(Clock::now() - t0).count());
        if (link->ReturnStr() != payload) state.SkipWithError("wrong response");
    }
    ReportPercentiles(state, micros);
}

void RawPingPong(benchmark::State& state) {
    const std::string payload(std::size_t(state.range(0)), 'x');
    const std::string request = RequestLine("echo(" + payload + ")");
    const std::string answer = AnswerLines(payload);
    int fds[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, fds) != 0) {
        state.SkipWithError("socketpair");
        return;
    }
    const pid_t peer = ::fork();
    if (peer == 0) {
        ::close(fds[0]);
        std::string buf;
        while (ReadLines(fds[1], 1, buf) && WriteAll(fds[1], answer)) {
        }
        ::_exit(0);
    }
    ::close(fds[1]);
    std::vector<double> micros;
    std::string buf;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        if (!WriteAll(fds[0], request) || !ReadLines(fds[0], 2, buf)) {
            state.SkipWithError("peer gone");
            break;
        }
        micros.push_back(std::chrono::duration<double, std::micro>(Clock::now() - t0).count());
    }
    ::close(fds[0]);
    ::waitpid(peer, nullptr, 0);
    ReportPercentiles(state, micros);
}

// The same round trip written by hand over a plain socket to korva32: what
// korva32 itself costs, without the link.
void RawKorva(benchmark::State& state, QString socketPath) {
    const std::string payload(std::size_t(state.range(0)), 'x');
    const std::string request = RequestLine("echo(" + payload + ")");
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    const QByteArray path = QFile::encodeName(socketPath);
    std::memcpy(addr.sun_path, path.constData(), std::size_t(path.size()));
    if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        state.SkipWithError("connect");
        ::close(fd);
        return;
    }
    std::vector<double> micros;
    std::string buf;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        if (!WriteAll(fd, request) || !ReadLines(fd, 2, buf)) {
            state.SkipWithError("korva32 gone");
            break;
        }
        micros.push_back(std::chrono::duration<double, std::micro>(Clock::now() - t0).count());
    }
    ::close(fd);
    ReportPercentiles(state, micros);
}

void SendALarge(benchmark::State& state, talvex::HostLink* link) {
    const std::string payload(std::size_t(16) << 20, 'y');
    const std::string command = "echo(" + payload + ")";
    for (auto _ : state) {
        link->SendA(command);
        if (link->ReturnStr().size() != payload.size())
            state.SkipWithError(("wrong response: " + link->ReturnStr().substr(0, 60)).c_str());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(payload.size()));
}

void SendAIdleWait(benchmark::State& state, talvex::HostLink* link) {
    for (auto _ : state) {
        rusage before{}, after{};
        ::getrusage(RUSAGE_SELF, &before);
        const auto t0 = Clock::now();
        link->SendA("wait(3000)");
        const double wall = std::chrono::duration<double>(Clock::now() - t0).count();
        ::getrusage(RUSAGE_SELF, &after);
        const auto seconds = [](const timeval& tv) { return double(tv.tv_sec) + tv.tv_usec / 1e6; };
        const double cpu = seconds(after.ru_utime) - seconds(before.ru_utime) +
                           seconds(after.ru_stime) - seconds(before.ru_stime);
        state.counters["cpu_ms"] = cpu * 1000;
        state.counters["cpu_percent"] = 100 * cpu / wall;
        if (link->ReturnStr() != "waited=3000") state.SkipWithError("wrong response");
    }
}

} // namespace

int main(int argc, char** argv) {
    std::signal(SIGPIPE, SIG_IGN);
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);

    char templ[] = "/tmp/hlb.XXXXXX";
    const char* dir = ::mkdtemp(templ);
    if (!dir) return 1;
    talvex::HostLink link;
    link.SetSocketPath(QString::fromLocal8Bit(dir) + QStringLiteral("/s"));
    if (!link.Init(QStringLiteral(KORVA32_BIN), true)) return 1;

    benchmark::RegisterBenchmark("SendA/echo", SendAEcho, &link)
        ->Arg(16)
        ->Arg(1024)
        ->UseRealTime()
        ->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("RawPingPong", RawPingPong)
        ->Arg(16)
        ->Arg(1024)
        ->UseRealTime()
        ->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("RawKorva", RawKorva, link.SocketPath())
        ->Arg(16)
        ->Arg(1024)
        ->UseRealTime()
        ->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("SendA/16MiB", SendALarge, &link)
        ->Iterations(5)
        ->UseRealTime()
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("SendA/IdleWait", SendAIdleWait, &link)
        ->Iterations(1)
        ->UseRealTime()
        ->Unit(benchmark::kMillisecond);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    link.Uninit(true);
    // A host that missed Exit (the link was lost) must not outlive the run.
    if (!link.WaitForHostExit(2000) && link.HostPid() > 0)
        ::kill(static_cast<pid_t>(link.HostPid()), SIGKILL);
    QDir(QString::fromLocal8Bit(dir)).removeRecursively();
    return 0;
}
