// A private folder for the files a fuzz target writes, in memory where the
// system has a tmpfs: saving by temporary file and rename on a disk folder
// waits for the disk and cut a target to a few hundred executions a second.
// Removed with everything in it when the process exits normally.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>
#include <unistd.h>

namespace talvex::fuzzing {

inline const std::string& ScratchFolder() {
    // Never destroyed: the exit handler below still needs it.
    static const std::string* const folder = [] {
        std::string pattern = std::filesystem::is_directory("/dev/shm") ? "/dev/shm" : "/tmp";
        pattern += "/talvex-fuzz-XXXXXX";
        if (!mkdtemp(pattern.data())) std::abort();
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(ScratchFolder(), ignored);
        });
        return new std::string(pattern);
    }();
    return *folder;
}

} // namespace talvex::fuzzing
