#include "platform/registry.h"

#include <string>

namespace korvane::platform {

std::optional<std::uint32_t> readRegistryDword(HKEY root, std::wstring_view subkey,
                                               std::wstring_view value) {
    DWORD data = 0;
    DWORD size = sizeof data;
    if (::RegGetValueW(root, std::wstring(subkey).c_str(), std::wstring(value).c_str(),
                       RRF_RT_REG_DWORD, nullptr, &data, &size) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    return data;
}

}  // namespace korvane::platform
