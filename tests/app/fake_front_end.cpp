#include "tests/app/fake_front_end.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace talvex::testing {

void FakeHost::Send(const std::string& command) {
    requests.push_back(command);
    reply_ = "OK";
}

void FakeHost::SendA(const std::string& command) {
    sent.push_back(command);
    if (whileWaiting) whileWaiting(command);
    if (reply) {
        reply_ = reply(command);
        return;
    }
    const auto open = command.find('(');
    const auto close = command.rfind(')');
    if (open == std::string::npos)
        reply_ = "OK";
    else
        reply_ =
            command.substr(open + 1, close == std::string::npos || close < open ? std::string::npos
                                                                                : close - open - 1);
    if (reply_.empty()) reply_ = "OK";
}

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
