#pragma once
// The final path of a file or folder: links and short names resolved, in the
// \\?\ form that GetFinalPathNameByHandleW gives, or in the native form.

#include <filesystem>

#include "common/result.h"

namespace korvane::platform {

// Fails with the system text when the path cannot be opened or queried.
Result<std::filesystem::path> finalPathOf(const std::filesystem::path& path);

// The same in the system's native form, \Device\HarddiskVolume3\..., as
// QueryFullProcessImageNameW names images with PROCESS_NAME_NATIVE.
Result<std::filesystem::path> nativeFinalPathOf(const std::filesystem::path& path);

}  // namespace korvane::platform
