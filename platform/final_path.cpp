#include "platform/final_path.h"

#include <windows.h>

#include <string>

#include "platform/handles.h"
#include "platform/os_error.h"

namespace korvane::platform {
namespace {

// `volumeName` is VOLUME_NAME_DOS or VOLUME_NAME_NT.
Result<std::filesystem::path> finalPathIn(const std::filesystem::path& path, DWORD volumeName) {
    // No access rights are needed to read a name; backup semantics let a
    // folder be opened too.
    const UniqueFile file(
        ::CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!file) {
        return fail(lastOsErrorText());
    }
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = ::GetFinalPathNameByHandleW(file.get(), buffer.data(),
                                                         static_cast<DWORD>(buffer.size()),
                                                         FILE_NAME_NORMALIZED | volumeName);
        if (length == 0) {
            return fail(lastOsErrorText());
        }
        if (length < buffer.size()) {
            buffer.resize(length);
            return std::filesystem::path(std::move(buffer));
        }
        buffer.resize(length);  // the size it needs, with its terminator
    }
}

}  // namespace

Result<std::filesystem::path> finalPathOf(const std::filesystem::path& path) {
    return finalPathIn(path, VOLUME_NAME_DOS);
}

Result<std::filesystem::path> nativeFinalPathOf(const std::filesystem::path& path) {
    return finalPathIn(path, VOLUME_NAME_NT);
}

}  // namespace korvane::platform
