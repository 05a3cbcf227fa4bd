#include "app/default_log_folder.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace talvex {

namespace fs = std::filesystem;

namespace {

#ifdef _WIN32
std::string Utf8(const std::wstring& wide) {
    if (wide.empty()) return {};
    const int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), int(wide.size()), nullptr, 0,
                                      nullptr, nullptr);
    std::string out(std::size_t(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), int(wide.size()), out.data(), n, nullptr, nullptr);
    return out;
}

std::string Variable(const wchar_t* name) {
    const wchar_t* value = _wgetenv(name);
    return value ? Utf8(value) : std::string();
}

fs::path PathOf(const std::string& utf8) {
    return fs::path(std::u8string(utf8.begin(), utf8.end()));
}

// Windows says whether a folder takes new files only by trying: the
// read-only attribute of a folder means nothing there.
bool CanWriteIn(const std::string& folder) {
    const fs::path probe = PathOf(folder) / L"talvex-write-probe.tmp";
    const HANDLE h = CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                 FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    CloseHandle(h);
    return true;
}

fs::path DataFolder() {
    return PathOf(Variable(L"LOCALAPPDATA"));
}
#else
std::string Variable(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : std::string();
}

fs::path PathOf(const std::string& utf8) {
    return fs::path(utf8);
}

bool CanWriteIn(const std::string& folder) {
    return ::access(folder.c_str(), W_OK) == 0;
}

fs::path DataFolder() {
    const std::string xdg = Variable("XDG_DATA_HOME");
    if (!xdg.empty()) return PathOf(xdg);
    return PathOf(Variable("HOME")) / ".local" / "share";
}
#endif

std::string Utf8Of(const fs::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

} // namespace

std::string DefaultLogFolder(const std::string& programFolder) {
    std::error_code ec;
#ifdef _WIN32
    const std::string chosen = Variable(L"TALVEX_LOG_FOLDER");
#else
    const std::string chosen = Variable("TALVEX_LOG_FOLDER");
#endif
    if (!chosen.empty()) {
        fs::create_directories(PathOf(chosen), ec);
        return chosen;
    }
    if (!programFolder.empty() && CanWriteIn(programFolder)) return programFolder;
    const fs::path data = DataFolder() / "Talvex";
    fs::create_directories(data, ec);
    return Utf8Of(data);
}

} // namespace talvex
