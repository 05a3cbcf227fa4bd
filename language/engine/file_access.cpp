// Whole-file access for the log dialog, the file directives and script loading
// and saving. Replacing a file is the one platform-specific part.
#include "engine/file_access.h"

#include "engine/native_path.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace talvex {

namespace {

namespace fs = std::filesystem;

// Enough for any real chain of links; a loop of links ends here.
constexpr int kMaxLinkHops = 40;
// Names tried for the new content beside the target before giving up.
constexpr int kMaxTempNames = 100;

constexpr const char* kNotRegular = "Not a regular file";
constexpr const char* kNotWritable = "Permission denied";

// The file `path` finally names: symbolic links followed, relative ones from
// the folder of the link.
fs::path FinalTarget(const std::string& path) {
    fs::path target = NativePath(path);
    for (int hops = 0; hops < kMaxLinkHops; ++hops) {
        std::error_code ec;
        if (!fs::is_symlink(fs::symlink_status(target, ec))) break;
        const fs::path next = fs::read_symlink(target, ec);
        if (ec) break;
        target = next.is_absolute() ? next : target.parent_path() / next;
    }
    return target;
}

// A name beside `target` for the new content, the `n`th tried.
fs::path TempName(const fs::path& target, int n) {
    fs::path temp = target;
    temp += ".tvx-save";
    if (n > 0) temp += "-" + std::to_string(n);
    return temp;
}

#ifdef _WIN32

std::string SystemReason(DWORD code) {
    switch (code) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
        return std::strerror(ENOENT);
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_WRITE_PROTECT:
        return std::strerror(EACCES);
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return std::strerror(ENOSPC);
    default:
        return std::strerror(EIO);
    }
}

bool WriteAll(HANDLE file, std::string_view bytes) {
    while (!bytes.empty()) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 30));
        DWORD written = 0;
        if (!::WriteFile(file, bytes.data(), chunk, &written, nullptr) || written == 0)
            return false;
        bytes.remove_prefix(written);
    }
    return true;
}

} // namespace

bool ReplaceFileContent(const std::string& path, std::string_view bytes, std::string& error) {
    const fs::path target = FinalTarget(path);
    const DWORD attributes = ::GetFileAttributesW(target.c_str());
    const bool exists = attributes != INVALID_FILE_ATTRIBUTES;
    const DWORD missing = exists ? 0 : ::GetLastError();
    if (!exists && missing != ERROR_FILE_NOT_FOUND) {
        error = SystemReason(missing);
        return false;
    }
    if (exists && (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE))) {
        error = kNotRegular;
        return false;
    }
    if (exists && (attributes & FILE_ATTRIBUTE_READONLY)) {
        error = kNotWritable;
        return false;
    }

    fs::path temp;
    HANDLE file = INVALID_HANDLE_VALUE;
    for (int n = 0; n < kMaxTempNames && file == INVALID_HANDLE_VALUE; ++n) {
        temp = TempName(target, n);
        file = ::CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE && ::GetLastError() != ERROR_FILE_EXISTS) break;
    }
    if (file == INVALID_HANDLE_VALUE) {
        error = SystemReason(::GetLastError());
        return false;
    }
    bool ok = WriteAll(file, bytes) && ::FlushFileBuffers(file);
    DWORD failure = ok ? 0 : ::GetLastError();
    if (!::CloseHandle(file) && ok) {
        ok = false;
        failure = ::GetLastError();
    }
    // ReplaceFileW keeps the target's attributes and security, as the mode is
    // kept elsewhere.
    if (ok)
        ok = exists ? ::ReplaceFileW(target.c_str(), temp.c_str(), nullptr,
                                     REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr)
                    : ::MoveFileExW(temp.c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH);
    if (!ok) {
        if (failure == 0) failure = ::GetLastError();
        ::DeleteFileW(temp.c_str());
        error = SystemReason(failure);
        return false;
    }
    return true;
}

#else

bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (n == 0) errno = EIO;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

} // namespace

bool ReplaceFileContent(const std::string& path, std::string_view bytes, std::string& error) {
    const fs::path target = FinalTarget(path);
    struct stat existing {};
    const bool exists = ::stat(target.c_str(), &existing) == 0;
    if (!exists && errno != ENOENT) {
        error = std::strerror(errno);
        return false;
    }
    if (exists && !S_ISREG(existing.st_mode)) {
        error = kNotRegular;
        return false;
    }
    if (exists && ::access(target.c_str(), W_OK) != 0) {
        error = kNotWritable;
        return false;
    }

    // Created as any new file is (the umask applies); an existing file's
    // permissions are given to it below.
    fs::path temp;
    int fd = -1;
    for (int n = 0; n < kMaxTempNames && fd < 0; ++n) {
        temp = TempName(target, n);
        fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) break;
    }
    if (fd < 0) {
        error = std::strerror(errno);
        return false;
    }
    // A file system without permissions refuses this; the content still counts.
    if (exists) (void)::fchmod(fd, existing.st_mode & 07777);
    bool ok = WriteAll(fd, bytes) && ::fsync(fd) == 0;
    int failure = ok ? 0 : errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        failure = errno;
    }
    if (ok && ::rename(temp.c_str(), target.c_str()) != 0) {
        ok = false;
        failure = errno;
    }
    if (!ok) {
        ::unlink(temp.c_str());
        error = std::strerror(failure);
        return false;
    }
    return true;
}

#endif

bool CreateEmptyFile(const std::string& path, std::string& error) {
    std::FILE* f = OpenFile(path, "wb");
    if (!f) {
        error = std::strerror(errno);
        return false;
    }
    std::fclose(f);
    return true;
}

long long FileSizeOf(const std::string& path) {
    std::error_code ec;
    const std::filesystem::path file = NativePath(path);
    if (!std::filesystem::is_regular_file(file, ec)) return -1;
    const auto size = std::filesystem::file_size(file, ec);
    return ec ? -1 : static_cast<long long>(size);
}

bool ReadWholeFile(const std::string& path, std::string& bytes, std::string& error) {
    std::FILE* f = OpenFile(path, "rb");
    if (!f) {
        error = std::strerror(errno);
        return false;
    }
    bytes.clear();
    char buf[65536];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
        bytes.append(buf, n);
    const bool ok = !std::ferror(f);
    if (!ok) error = std::strerror(errno);
    std::fclose(f);
    return ok;
}

} // namespace talvex
