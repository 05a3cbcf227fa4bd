#include "app/run_options.h"

#include "app/exit_status.h"
#include "app/script_check_command.h"
#include "macromath/environment.h"

namespace talvex {

const char* const kRunUsage =
    "usage: talvex-run [--list] [--whole] [--trace] [--log FILE] [--host PATH] [--] SCRIPT\n"
    "       talvex-run --check [--] SCRIPT...\n"
    "\n"
    "Runs SCRIPT against the host korva32 as the run command of Talvex does.\n"
    "The response pane goes to standard output, message boxes to standard error.\n"
    "\n"
    "  --check      check each SCRIPT without running it or starting a host:\n"
    "               one line per finding on standard output,\n"
    "               FILE:LINE:COLUMN: error: TEXT  or  FILE:LINE:COLUMN: warning: TEXT\n"
    "               exit status 0 nothing found, 1 warnings only, 65 errors,\n"
    "               66 a SCRIPT cannot be read\n"
    "  --trace      write each line to standard error before it runs, as\n"
    "               LEVEL FILE:LINE: TEXT (LEVEL 0 is SCRIPT, 1 a script it calls)\n"
    "  --list       list-only run: lines are translated and shown, nothing is sent\n"
    "               (no host is started unless a directive needs one)\n"
    "  --whole      send the script to the host in one piece; with --list too,\n"
    "               the script is sent whole all the same\n"
    "  --log FILE   log the responses to FILE (created empty before the run);\n"
    "               FILE may not be SCRIPT itself\n"
    "  --host PATH  the host executable (default: searched for)\n"
    "  --version    print the version and exit\n"
    "  --help       print this text and exit\n"
    "\n"
    "Without --log, responses are not logged. What a script logs all the same\n"
    "(#logon without a name, #logscript, a label it cannot find) goes to the\n"
    "default log file SECONDS.log, named after the second of the year the run\n"
    "started in: in the folder TALVEX_LOG_FOLDER names (created when missing);\n"
    "without it, in talvex-run's own folder when that can be written to, else\n"
    "in $XDG_DATA_HOME/Talvex (~/.local/share/Talvex).\n"
    "\n"
    "Ctrl+C cancels the run as the Cancel button does; a third Ctrl+C, SIGTERM\n"
    "or SIGHUP end it at once.\n"
    "\n"
    "Exit status:\n"
    "   0  the run ended normally\n"
    "   1  the run was interrupted\n"
    "   2  a script error ended the run\n"
    "   3  the host could not be found, started or linked, or the link was lost\n"
    "  64  bad usage, also a --log FILE that is SCRIPT itself\n"
    "  66  SCRIPT cannot be read\n"
    "  73  the --log FILE cannot be created (checked before the run starts)\n"
    "  74  a write to the log failed during the run (said once in the output)\n";

int UsageError(const std::string& what, std::FILE* err) {
    std::fprintf(err, "talvex-run: %s\n%s", what.c_str(), kRunUsage);
    return kExitUsage;
}

int ParseRunOptions(const std::vector<std::string>& args, RunOptions& o, std::FILE* out,
                    std::FILE* err) {
    bool optionsEnded = false;
    bool haveScript = false;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool option = !optionsEnded && a.size() > 1 && a[0] == '-';
        if (!option) {
            if (a.empty()) return UsageError("SCRIPT may not be empty", err);
            o.scripts.push_back(a);
            if (!haveScript) o.script = a;
            haveScript = true;
        } else if (a == "--") {
            optionsEnded = true;
        } else if (a == "--help") {
            std::fputs(kRunUsage, out);
            return kExitOk;
        } else if (a == "--version") {
            const ProgramVersion v = Environment::system().version;
            std::fprintf(out, "talvex-run %d.%d.%d\n", v.major, v.minor, v.revision);
            return kExitOk;
        } else if (a == "--check") {
            o.check = true;
        } else if (a == "--trace") {
            o.trace = true;
        } else if (a == "--list") {
            o.list = true;
        } else if (a == "--whole") {
            o.whole = true;
        } else if (a == "--log" || a == "--host" || a.rfind("--log=", 0) == 0 ||
                   a.rfind("--host=", 0) == 0) {
            const std::size_t eq = a.find('=');
            const std::string name = a.substr(0, eq);
            std::string value;
            if (eq != std::string::npos)
                value = a.substr(eq + 1);
            else if (i + 1 < args.size())
                value = args[++i];
            if (value.empty()) return UsageError(name + " needs a value", err);
            (name == "--log" ? o.log : o.host) = value;
        } else {
            return UsageError("unknown option " + a, err);
        }
    }
    if (!haveScript) {
        std::fputs(kRunUsage, err);
        return kExitUsage;
    }
    if (o.check) {
        // A check runs nothing, so the run's options have nothing to act on.
        if (o.list || o.whole || o.trace || !o.log.empty() || !o.host.empty())
            return UsageError("--check takes no other option", err);
        return CheckScripts(o.scripts, out, err);
    }
    // Only one script: a second one, even after "--", is refused rather than
    // run in place of the first or dropped.
    if (o.scripts.size() > 1) return UsageError("only one SCRIPT may be given", err);
    return -1;
}

} // namespace talvex
