#pragma once
// Conversions between the service's UTF-8 texts and the UTF-16 of the Win32
// API. Unpaired surrogates (possible in file names) become U+FFFD.

#include <string>
#include <string_view>

namespace korvane::platform {

std::wstring widen(std::string_view utf8);
std::string narrow(std::wstring_view utf16);

}  // namespace korvane::platform
