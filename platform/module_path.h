#pragma once
// Paths of the running process.

#include <filesystem>

#include "common/result.h"

namespace korvane::platform {

// Full path of the running executable, or the system text of the failure.
Result<std::filesystem::path> currentExecutablePath();

}  // namespace korvane::platform
