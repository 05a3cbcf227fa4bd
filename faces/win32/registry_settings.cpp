#include "win32/registry_settings.h"

#include "ddelink/wide_text.h"
#include "ddelink/win32.h"

namespace talvex {

std::string RegistrySettings::Read(std::string_view group, std::string_view key) {
    const std::wstring path = root_ + L"\\" + WideFromUtf8(group);
    const std::wstring name = WideFromUtf8(key);
    DWORD bytes = 0;
    if (RegGetValueW(HKEY_CURRENT_USER, path.c_str(), name.c_str(), RRF_RT_REG_SZ, nullptr, nullptr,
                     &bytes) != ERROR_SUCCESS)
        return {};
    std::wstring value(bytes / sizeof(wchar_t) + 1, L'\0');
    bytes = static_cast<DWORD>(value.size() * sizeof(wchar_t));
    if (RegGetValueW(HKEY_CURRENT_USER, path.c_str(), name.c_str(), RRF_RT_REG_SZ, nullptr,
                     value.data(), &bytes) != ERROR_SUCCESS)
        return {};
    value.resize(wcsnlen(value.c_str(), value.size()));
    return Utf8FromWide(value);
}

void RegistrySettings::Write(std::string_view group, std::string_view key, std::string_view value) {
    const std::wstring path = root_ + L"\\" + WideFromUtf8(group);
    HKEY hkey = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                        &hkey, nullptr) != ERROR_SUCCESS)
        return;
    const std::wstring wide = WideFromUtf8(value);
    RegSetValueExW(hkey, WideFromUtf8(key).c_str(), 0, REG_SZ,
                   reinterpret_cast<const BYTE*>(wide.c_str()),
                   static_cast<DWORD>((wide.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(hkey);
}

} // namespace talvex
