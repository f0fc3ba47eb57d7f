#include "runtime/process/file_io.h"

#include <windows.h>

#include "platform/handles.h"
#include "platform/os_error.h"
#include "platform/write_all.h"

namespace korvane::runtime {

namespace fs = std::filesystem;

namespace {

bool isFolder(const fs::path& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

}  // namespace

Status createFolders(const fs::path& folder) {
    if (folder.empty() || isFolder(folder)) {
        return {};
    }
    const fs::path parent = folder.parent_path();
    if (folder.has_relative_path() && parent != folder) {
        if (auto created = createFolders(parent); !created) {
            return created;
        }
    }
    if (::CreateDirectoryW(folder.c_str(), nullptr)) {
        return {};
    }
    const DWORD error = ::GetLastError();
    // Someone else may have created it in the meantime.
    if (error == ERROR_ALREADY_EXISTS && isFolder(folder)) {
        return {};
    }
    return fail(platform::osErrorText(error));
}

Result<std::string> readWholeFile(const fs::path& path) {
    platform::UniqueFile file(::CreateFileW(
        path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        return fail(platform::lastOsErrorText());
    }
    std::string content;
    char buffer[64 * 1024];
    for (;;) {
        DWORD read = 0;
        if (!::ReadFile(file.get(), buffer, sizeof buffer, &read, nullptr)) {
            return fail(platform::lastOsErrorText());
        }
        if (read == 0) {
            return content;
        }
        content.append(buffer, read);
    }
}

Status writeWholeFile(const fs::path& path, std::string_view content) {
    const platform::UniqueFile file(::CreateFileW(
        path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
        nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        return fail(platform::lastOsErrorText());
    }
    return platform::writeAll(file.get(), content);
}

}  // namespace korvane::runtime
