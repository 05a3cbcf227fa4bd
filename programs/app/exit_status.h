// talvex-run's exit statuses, and the one a finished run ends with.
#pragma once

namespace talvex {

class ScriptRunner;

enum ExitStatus : int {
    kExitOk = 0,
    kExitInterrupted = 1,
    kExitScriptError = 2,
    kExitHost = 3,
    kExitUsage = 64,
    kExitNoInput = 66,
    kExitCantCreate = 73, // the --log file cannot be created; nothing ran
    kExitIoError = 74,    // a log write failed during the run
};

// The status of a run that went to its end: a run that did not reach the end
// of its script (host lost, script error) says so first; then a log that lost
// responses, which the user may not have seen go by; then an interruption.
int RunExitStatus(const ScriptRunner& runner);

} // namespace talvex
