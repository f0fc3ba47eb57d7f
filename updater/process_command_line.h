#pragma once
// The single command-line text that CreateProcessW takes, built so that the
// child's C runtime splits it back into exactly the given arguments.

#include <span>
#include <string>
#include <string_view>

namespace korvane::updater {

// The program name in quotes (it cannot hold a quote: Windows file names never
// do, and the runtime reads the first token up to the next quote without
// escapes), then each argument in quotes with its backslashes and quotes escaped.
std::wstring buildCommandLine(std::wstring_view program, std::span<const std::wstring> arguments);

}  // namespace korvane::updater
