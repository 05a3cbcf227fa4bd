#include "app/script_check_command.h"

#include "app/exit_status.h"
#include "engine/script_check.h"
#include "engine/script_file.h"

namespace talvex {

int CheckScripts(const std::vector<std::string>& scripts, std::FILE* out, std::FILE* err) {
    bool unreadable = false, errors = false, warnings = false;
    for (const std::string& path : scripts) {
        // Read only: a check never repairs a stored file's header.
        const LoadedScriptFile script = ReadScriptFile(path);
        if (!script.ok) {
            std::fprintf(err, "talvex-run: cannot read %s: %s\n", path.c_str(),
                         script.error.c_str());
            unreadable = true;
            continue;
        }
        for (const Finding& f : CheckScript({script.text, path, script.otherLineEndLine})) {
            std::fprintf(out, "%s\n", FindingLine(path, f).c_str());
            (f.severity == Severity::Error ? errors : warnings) = true;
        }
    }
    std::fflush(out);
    if (unreadable) return kExitNoInput;
    if (errors) return kExitCheckErrors;
    return warnings ? 1 : kExitOk;
}

} // namespace talvex
