#pragma once
// Reading the few registry values that administrators may set.

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string_view>

namespace korvane::platform {

// The DWORD `value` under `root`\`subkey`; nothing when the key or value is
// missing, unreadable or of another type.
std::optional<std::uint32_t> readRegistryDword(HKEY root, std::wstring_view subkey,
                                               std::wstring_view value);

}  // namespace korvane::platform
