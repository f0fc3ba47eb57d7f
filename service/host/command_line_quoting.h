#pragma once
// The command line the service is registered to run.

#include <string>
#include <string_view>

namespace korvane::service {

// The executable path, in double quotes when it holds a space, tab, line feed,
// vertical tab or double quote (with quotes and the backslashes before them
// escaped), then a space and "run".
std::wstring registeredCommandLine(std::wstring_view executablePath);

}  // namespace korvane::service
