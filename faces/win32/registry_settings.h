// The stored settings in the registry: group G, key K is the string value K
// under HKEY_CURRENT_USER\<root>\G (root "Software\Talvex" for the program;
// tests give a key of their own).
#pragma once

#include "windowcore/settings_port.h"

#include <string>

namespace talvex {

class RegistrySettings : public SettingsPort {
public:
    explicit RegistrySettings(std::wstring root = L"Software\\Talvex") : root_(std::move(root)) {}
    std::string Read(std::string_view group, std::string_view key) override;
    void Write(std::string_view group, std::string_view key, std::string_view value) override;

private:
    std::wstring root_;
};

} // namespace talvex
