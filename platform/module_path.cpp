#include "platform/module_path.h"

#include <windows.h>

#include <string>

#include "platform/os_error.h"

namespace korvane::platform {

Result<std::filesystem::path> currentExecutablePath() {
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) {
            return fail(lastOsErrorText());
        }
        // A full buffer means the path may have been cut: try a larger one.
        if (length < buffer.size()) {
            buffer.resize(length);
            return std::filesystem::path(buffer);
        }
        if (buffer.size() >= 32768) {
            return fail(osErrorText(ERROR_INSUFFICIENT_BUFFER));
        }
        buffer.resize(buffer.size() * 2);
    }
}

}  // namespace korvane::platform
