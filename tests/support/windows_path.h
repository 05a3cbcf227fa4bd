// Windows tests under Wine: the build's Linux paths as Wine's Z: drive shows
// them. Header-only: only the Windows tests include it.
#pragma once

#include "ddelink/wide_text.h"

#include <string>

namespace talvex::testing {

// The build's Linux path as Wine's Z: drive shows it; a Windows path as it is.
inline std::wstring WindowsPath(const std::string& path) {
    std::wstring wide = WideFromUtf8(path);
    if (wide.empty() || wide[0] != L'/') return wide;
    for (wchar_t& c : wide)
        if (c == L'/') c = L'\\';
    return L"Z:" + wide;
}

inline std::string WindowsPathUtf8(const std::string& path) {
    return Utf8FromWide(WindowsPath(path));
}

} // namespace talvex::testing
