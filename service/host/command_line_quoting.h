#pragma once
// Command lines that CommandLineToArgvW (and the C runtime) split back into
// exactly the arguments they were built from.

#include <string>
#include <string_view>

namespace korvane::service {

// Appends `argument`, in double quotes when it is empty or holds a space, tab,
// line feed, vertical tab or double quote. Inside the quotes a double quote
// gets a backslash before it, and backslashes that stand before a double quote
// or before the closing quote are doubled; elsewhere backslashes stay as they
// are.
void appendQuotedArgument(std::wstring& commandLine, std::wstring_view argument);

// What the service is registered to run: the quoted executable path, a space
// and "run".
std::wstring registeredCommandLine(std::wstring_view executablePath);

}  // namespace korvane::service
