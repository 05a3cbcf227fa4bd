// korva32-sim: the simulator host over DDE, for the Windows runner and its
// tests. Serves the DDE service KORVA (or $KORVA_SERVICE, or --service NAME)
// until a client sends Exit and no other client is linked any more.
//
// Exit status: 0 after Exit; 1 DDE could not be set up; 2 the service is
// already served by another program; 64 bad usage.
#include "ddesim/dde_sim_host.h"
#include "simhost/text_window.h"

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

constexpr int kExitSetupFailed = 1;
constexpr int kExitServiceTaken = 2;
constexpr int kExitUsage = 64;

constexpr char kHelp[] =
    "Usage: korva32-sim [--service NAME] [--visible]\n"
    "Simulator host: answers host commands over DDE until Exit has come and the\n"
    "last client has left.\n"
    "  --service NAME  serve the DDE service NAME (default: $KORVA_SERVICE, else KORVA)\n"
    "  --visible       accepted for compatibility; has no effect\n"
    "  -h, --help      show this help and exit\n";

} // namespace

int main(int argc, char* argv[]) {
    // The text window and the messages are UTF-8 with LF line ends, as on
    // every platform.
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);

    std::string service = "KORVA";
    if (const char* name = std::getenv("KORVA_SERVICE"); name && *name) service = name;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "-h" || argument == "--help") {
            std::fputs(kHelp, stdout);
            return 0;
        }
        if (argument == "--visible") continue;
        if (argument == "--service" && i + 1 < argc && *argv[i + 1]) {
            service = argv[++i];
            continue;
        }
        std::fprintf(stderr, "korva32-sim: %s: %s\n%s",
                     argument == "--service" ? "--service needs a name" : "unexpected argument",
                     argument.c_str(), kHelp);
        return kExitUsage;
    }

    talvex::ddesim::DdeSimHost host(talvex::simhost::WriteToTextWindow);
    std::string error;
    switch (host.Start(service, &error)) {
    case talvex::ddesim::DdeSimHost::StartResult::Serving:
        break;
    case talvex::ddesim::DdeSimHost::StartResult::ServiceTaken:
        std::fprintf(stderr, "korva32-sim: %s\n", error.c_str());
        return kExitServiceTaken;
    case talvex::ddesim::DdeSimHost::StartResult::Failed:
        std::fprintf(stderr, "korva32-sim: %s\n", error.c_str());
        return kExitSetupFailed;
    }
    return host.Run();
}
