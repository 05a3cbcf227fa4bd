#include "tests/app/temp_folder.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace talvex::testing {

TempFolder::TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "tvx-runner-XXXXXX").string();
    if (::mkdtemp(pattern.data())) path_ = pattern;
}

TempFolder::~TempFolder() {
    std::error_code ec;
    if (!path_.empty()) std::filesystem::remove_all(path_, ec);
}

std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

} // namespace talvex::testing
