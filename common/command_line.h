#pragma once
// The command line that CreateProcessW is given for a program and its
// arguments. Portable: it is plain text handling.

#include <string>
#include <string_view>
#include <vector>

namespace korvane {

// The program in double quotes, then each argument after one space, quoted
// and escaped so that CommandLineToArgvW gives every argument back unchanged.
// The program is quoted as it is: a Windows path cannot hold a double quote.
std::wstring buildCommandLine(std::wstring_view program,
                              const std::vector<std::wstring>& arguments);

}  // namespace korvane
