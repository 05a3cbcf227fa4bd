// talvex-run.exe: runs a script as the run command would, without a window,
// against the host over DDE. The response pane goes to standard output,
// message boxes to standard error, byte for byte as talvex-run gives them.
#include "app/console_interrupts.h"
#include "app/console_output.h"
#include "app/default_log_folder.h"
#include "app/headless_run.h"
#include "app/locale_decimal_separator.h"
#include "app/run_options.h"
#include "ddelink/dde_host_link.h"
#include "ddelink/korva_search.h"
#include "ddelink/message_pump.h"
#include "ddelink/wide_text.h"

#include "ddelink/win32.h"

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

int wmain(int argc, wchar_t** argv) {
    // LF and UTF-8 exactly as the run produced them: the outputs compare byte
    // for byte with the other platforms'.
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    // A console shows them as text, whatever its code page.
    talvex::ConsoleOutput console;

    std::vector<std::string> args;
    for (int i = 0; i < argc; ++i)
        args.push_back(talvex::Utf8FromWide(argv[i]));

    talvex::RunOptions options;
    if (const int status = talvex::ParseRunOptions(args, options, stdout, stderr); status >= 0)
        return status;

    talvex::MessagePump pump;
    talvex::DdeHostLink link(pump);
    if (!options.host.empty()) {
        // The given executable and nothing else.
        link.SetHostSearch(talvex::KorvaSearch::Only(talvex::WideFromUtf8(options.host)));
    }

    talvex::Environment env = talvex::Environment::system();
    env.hostDir = [&link] { return link.HostDir(); };
    env.decimalSeparator = talvex::LocaleDecimalSeparator();

    talvex::LinkControl control;
    // Visible, as the window links: a real host keeps its window as the user has it.
    control.init = [&link] { return link.Init(std::wstring(), true); };
    control.starting = [&link] { return link.Starting(); };
    control.cancelStart = [&link] { link.CancelStart(); };
    control.startCancelled = [&link] { return link.StartCancelled(); };
    control.uninit = [&link] { link.Uninit(false); };

    talvex::HeadlessStreams streams;
    streams.yield = [&pump] { pump.Yield(); };
    talvex::HeadlessRun run(options, link, std::move(control), std::move(env), std::move(streams),
                            talvex::DefaultLogFolder(talvex::Utf8FromWide(talvex::OwnFolder())));
    if (const int status = run.Prepare(); status >= 0) return status;
    link.SetMessageHandler(
        [&run](talvex::DdeMessageIcon, const std::string& title, const std::string& text) {
            run.Window().Message(talvex::MessageKind::Critical, text, title);
        });

    talvex::ConsoleInterrupts interrupts(
        pump, [&run, &console](talvex::ConsoleInterrupts::Kind kind) {
            const int status = run.OnInterrupt(kind == talvex::ConsoleInterrupts::Kind::CtrlC
                                                   ? talvex::HeadlessRun::Interrupt::CtrlC
                                                   : talvex::HeadlessRun::Interrupt::Terminate);
            if (status >= 0) {
                console.Finish();
                std::fflush(nullptr);
                std::_Exit(status);
            }
        });
    const int status = run.Run();
    console.Finish();
    return status;
}
