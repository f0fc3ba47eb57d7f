#pragma once
// The few file-system operations of the runtime, with the system's error
// texts.

#include <windows.h>
#include <cstddef>

#include <filesystem>
#include <functional>
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

// Fills a new file: the handle is open for writing and changing its DACL.
using FileFiller = std::function<Status(HANDLE file)>;

// Replaces `path` in one step: a new file beside it ("<name>.new", created
// afresh with `security` when given, so that it is born with its DACL) is
// filled, flushed and moved over `path` (replace, write-through). A failure or
// a crash leaves the previous file whole, never a truncated one; the new file
// is removed on failure. Failure: the filler's or the system's text.
Status replaceFile(const std::filesystem::path& path, const FileFiller& fill,
                   SECURITY_ATTRIBUTES* security = nullptr);

// replaceFile with `content` (platform::writeAll).
Status writeWholeFile(const std::filesystem::path& path, std::string_view content);

}  // namespace korvane::runtime
