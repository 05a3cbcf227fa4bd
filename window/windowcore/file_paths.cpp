#include "windowcore/file_paths.h"

#include <filesystem>
#include <system_error>

namespace talvex {

namespace fs = std::filesystem;

namespace {

fs::path Utf8Path(const std::string& path) {
    return fs::path(std::u8string(path.begin(), path.end()));
}

std::string Utf8Of(const fs::path& path) {
    const std::u8string s = path.u8string();
    return std::string(s.begin(), s.end());
}

} // namespace

bool PathExists(const std::string& path) {
    std::error_code ec;
    return !path.empty() && fs::exists(Utf8Path(path), ec);
}

bool SameFile(const std::string& a, const std::string& b) {
    if (a.empty() || b.empty()) return false;
    std::error_code ea, eb;
    const fs::path ca = fs::canonical(Utf8Path(a), ea);
    const fs::path cb = fs::canonical(Utf8Path(b), eb);
    if (!ea && !eb) return ca == cb;
    return fs::absolute(Utf8Path(a), ea).lexically_normal() ==
           fs::absolute(Utf8Path(b), eb).lexically_normal();
}

std::string NormalPath(const std::string& path) {
    return Utf8Of(Utf8Path(path).lexically_normal());
}

} // namespace talvex
