#include "platform/os_error.h"

#include <windows.h>
#include <winsock2.h>

#include <string_view>

#include "platform/wide.h"

namespace korvane::platform {

std::string osErrorText(std::uint32_t code) {
    wchar_t buffer[2048];
    const DWORD length =
        ::FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
                         MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), buffer,
                         static_cast<DWORD>(std::size(buffer)), nullptr);
    std::string description;
    if (length == 0) {
        description = "Unknown error " + std::to_string(code);
    } else {
        std::wstring_view text(buffer, length);
        // FormatMessage ends its texts with a line break.
        while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n' ||
                                 text.back() == L' ' || text.back() == L'\t')) {
            text.remove_suffix(1);
        }
        description = narrow(text);
    }
    return description + " (os error " + std::to_string(code) + ")";
}

std::string lastOsErrorText() {
    return osErrorText(::GetLastError());
}

std::string lastSocketErrorText() {
    return osErrorText(static_cast<std::uint32_t>(::WSAGetLastError()));
}

}  // namespace korvane::platform
