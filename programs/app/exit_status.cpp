#include "app/exit_status.h"

#include "engine/script_runner.h"

namespace talvex {

int RunExitStatus(const ScriptRunner& runner) {
    if (runner.HostFailed()) return kExitHost;
    if (runner.LineAborted() || runner.CurrentCancelState() == CancelState::Aborted)
        return kExitScriptError;
    if (runner.LogWriteFailed()) return kExitIoError;
    if (runner.CurrentCancelState() == CancelState::Stop) return kExitInterrupted;
    return kExitOk;
}

} // namespace talvex
