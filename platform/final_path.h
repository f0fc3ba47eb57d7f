#pragma once
// The final path of a file or folder: links and short names resolved, in the
// \\?\ form that GetFinalPathNameByHandleW gives.

#include <filesystem>

#include "common/result.h"

namespace korvane::platform {

// Fails with the system text when the path cannot be opened or queried.
Result<std::filesystem::path> finalPathOf(const std::filesystem::path& path);

}  // namespace korvane::platform
