// UTF-8 inside the program, UTF-16 at the Windows API.
#pragma once

#include <string>
#include <string_view>

namespace talvex {

std::wstring WideFromUtf8(std::string_view text);
std::string Utf8FromWide(std::wstring_view text);

// The value of an environment variable, "" when it is not set.
std::wstring EnvironmentValue(const wchar_t* name);

} // namespace talvex
