#include "app/log_file_guard.h"

#include "app/exit_status.h"
#include "app/run_options.h"
#include "engine/native_path.h"

#include <cerrno>
#include <cstring>
#include <filesystem>

namespace talvex {

namespace fs = std::filesystem;

int CheckLogFile(const std::string& log, const std::string& script, std::FILE* err) {
    std::error_code ec;
    const fs::path logPath = NativePath(log);
    // By device and inode: a second name, a link or "./" does not hide it.
    if (fs::equivalent(logPath, NativePath(script), ec))
        return UsageError("--log " + log + " is SCRIPT itself", err);

    const fs::file_status target = fs::status(logPath, ec);
    // Anything at the name, a dangling link too: the check must not remove it.
    const bool existed = fs::exists(fs::symlink_status(logPath, ec));
    int error = 0;
    if (fs::is_directory(target)) {
        error = EISDIR;
    } else if (existed && fs::exists(target) && !fs::is_regular_file(target)) {
        // A device or a pipe is opened by the run as it is; opening a pipe
        // here could wait for a reader.
        return -1;
    } else if (std::FILE* f = OpenFile(log, "ab")) {
        // Appending to nothing writes nothing; the run empties the file itself.
        std::fclose(f);
        if (!existed) fs::remove(logPath, ec);
    } else {
        error = errno;
    }
    if (error == 0) return -1;
    std::fprintf(err, "%s: %s\n", log.c_str(), std::strerror(error));
    return kExitCantCreate;
}

} // namespace talvex
