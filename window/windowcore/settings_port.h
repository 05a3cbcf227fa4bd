// Where the window keeps what outlives it: the recent files. QSettings on
// Linux, the registry on Windows, a map in tests.
#pragma once

#include <string>
#include <string_view>

namespace talvex {

class SettingsPort {
public:
    virtual ~SettingsPort() = default;
    // The value of `key` in `group`; "" when there is none.
    virtual std::string Read(std::string_view group, std::string_view key) = 0;
    virtual void Write(std::string_view group, std::string_view key, std::string_view value) = 0;
};

} // namespace talvex
