// A fresh folder for a test's files, and the files' bytes read and written
// as they are.
#pragma once

#include <string>

namespace talvex::testing {

// A fresh folder under the system's temp folder, removed again at the end.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::string& Path() const { return path_; }
    std::string File(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

// By UTF-8 names, as the engine takes them.
std::string ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, const std::string& bytes);

} // namespace talvex::testing
