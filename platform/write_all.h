#pragma once
// Writing a whole text to an open file, pipe or stream.

#include <windows.h>

#include <string_view>

#include "common/result.h"

namespace korvane::platform {

// Writes every byte of `bytes`, in pieces of at most 1 MiB, however many
// calls that takes. A write that reports success with nothing written counts
// as a failure (ERROR_WRITE_FAULT's text), so a target that accepts nothing
// cannot keep the loop spinning. Failure: the system's text.
Status writeAll(HANDLE target, std::string_view bytes);

}  // namespace korvane::platform
