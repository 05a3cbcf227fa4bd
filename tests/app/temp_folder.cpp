#include "tests/app/temp_folder.h"

#include "engine/native_path.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

namespace talvex::testing {

TempFolder::TempFolder() {
    // create_directory fails on a name that exists, so a folder another test
    // made is never shared.
    std::random_device random;
    std::error_code ec;
    const std::filesystem::path temp = std::filesystem::temp_directory_path(ec);
    for (int attempt = 0; attempt < 100 && path_.empty() && !ec; ++attempt) {
        char name[32];
        std::snprintf(name, sizeof name, "tvx-runner-%08x", static_cast<unsigned>(random()));
        const std::filesystem::path folder = temp / name;
        if (std::filesystem::create_directory(folder, ec)) path_ = Utf8Name(folder);
    }
}

TempFolder::~TempFolder() {
    std::error_code ec;
    if (!path_.empty()) std::filesystem::remove_all(path_, ec);
}

std::string ReadBytes(const std::string& path) {
    std::ifstream in(NativePath(path), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(NativePath(path), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

} // namespace talvex::testing
