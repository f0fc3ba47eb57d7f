#pragma once
// The few file-system operations of the runtime, with the system's error
// texts.

#include <filesystem>
#include <string>
#include <string_view>

#include "common/result.h"

namespace korvane::runtime {

// Creates `folder` and every missing ancestor. An existing folder is success;
// an existing file in the way is the system's "already exists" error.
Status createFolders(const std::filesystem::path& folder);

// The whole content of a file, read while others may be writing or deleting it.
Result<std::string> readWholeFile(const std::filesystem::path& path);

// Creates or replaces the file with `content` (platform::writeAll).
Status writeWholeFile(const std::filesystem::path& path, std::string_view content);

}  // namespace korvane::runtime
