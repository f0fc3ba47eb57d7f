#include "runtime/process/file_io.h"

#include <windows.h>

#include <algorithm>

#include "platform/handles.h"
#include "platform/os_error.h"
#include "platform/write_all.h"

namespace korvane::runtime {

namespace fs = std::filesystem;

namespace {

platform::UniqueFile openForReading(const fs::path& path) {
    return platform::UniqueFile(::CreateFileW(
        path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
}

// Reads from the file's position until its end or until `limit` bytes are in.
Result<std::string> readUpTo(HANDLE file, std::size_t limit) {
    constexpr std::size_t kChunk = 64 * 1024;
    std::string content;
    while (content.size() < limit) {
        const std::size_t held = content.size();
        const std::size_t chunk = std::min(limit - held, kChunk);
        content.resize(held + chunk);
        DWORD read = 0;
        if (!::ReadFile(file, content.data() + held, static_cast<DWORD>(chunk), &read, nullptr)) {
            return fail(platform::lastOsErrorText());
        }
        content.resize(held + read);
        if (read == 0) {
            break;
        }
    }
    return content;
}

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

Result<std::string> readWholeFile(const fs::path& path, std::size_t limit) {
    const platform::UniqueFile file = openForReading(path);
    if (!file) {
        return fail(platform::lastOsErrorText());
    }
    // One byte more than allowed tells a longer file from one of exactly `limit`.
    Result<std::string> content = readUpTo(file.get(), limit + 1);
    if (content && content->size() > limit) {
        return fail(platform::osErrorText(ERROR_FILE_TOO_LARGE));
    }
    return content;
}

Result<FileTail> readFileTail(const fs::path& path, std::size_t limit) {
    const platform::UniqueFile file = openForReading(path);
    LARGE_INTEGER size{};
    if (!file || !::GetFileSizeEx(file.get(), &size)) {
        return fail(platform::lastOsErrorText());
    }
    LARGE_INTEGER start{};
    start.QuadPart = std::max<LONGLONG>(0, size.QuadPart - static_cast<LONGLONG>(limit));
    if (!::SetFilePointerEx(file.get(), start, nullptr, FILE_BEGIN)) {
        return fail(platform::lastOsErrorText());
    }
    Result<std::string> content = readUpTo(file.get(), limit);
    if (!content) {
        return fail(content.error());
    }
    return FileTail{std::move(*content), start.QuadPart > 0};
}

Status replaceFile(const fs::path& path, const FileFiller& fill, SECURITY_ATTRIBUTES* security) {
    const fs::path fresh = path.native() + L".new";
    // N.B. a leftover of an earlier attempt goes first, so that the new file
    // is created here, with the given DACL, rather than opened as it was.
    ::DeleteFileW(fresh.c_str());
    Status filled = [&]() -> Status {
        const platform::UniqueFile file(::CreateFileW(fresh.c_str(), GENERIC_WRITE | WRITE_DAC, 0,
                                                      security, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                                                      nullptr));
        if (!file) {
            return fail(platform::lastOsErrorText());
        }
        KORVANE_TRY(fill(file.get()));
        if (!::FlushFileBuffers(file.get())) {
            return fail(platform::lastOsErrorText());
        }
        return {};
    }();
    if (filled && !::MoveFileExW(fresh.c_str(), path.c_str(),
                                 MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        filled = fail(platform::lastOsErrorText());
    }
    if (!filled) {
        ::DeleteFileW(fresh.c_str());
    }
    return filled;
}

Status writeWholeFile(const fs::path& path, std::string_view content) {
    return replaceFile(path, [&](HANDLE file) { return platform::writeAll(file, content); });
}

}  // namespace korvane::runtime
