#pragma once
// The few file-system operations of the runtime, with the system's error
// texts.

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

#include "common/result.h"

namespace korvane::runtime {

// Creates `folder` and every missing ancestor. An existing folder is success;
// an existing file in the way is the system's "already exists" error.
Status createFolders(const std::filesystem::path& folder);

// The whole content of a file of at most `limit` bytes, read while others may
// be writing or deleting it. A longer file is an error (the system's "file too
// large" text); no more than `limit` + 1 bytes are ever held.
Result<std::string> readWholeFile(const std::filesystem::path& path, std::size_t limit);

// The last bytes of a file, at most `limit` of them, and whether they begin
// after the file's first byte.
struct FileTail {
    std::string content;
    bool cut = false;
};

// The file's last `limit` bytes (all of a shorter file), read while others may
// be writing or deleting it; a file that grows meanwhile gives no more than
// `limit` bytes either.
Result<FileTail> readFileTail(const std::filesystem::path& path, std::size_t limit);

// Creates or replaces the file with `content` (platform::writeAll).
Status writeWholeFile(const std::filesystem::path& path, std::string_view content);

}  // namespace korvane::runtime
