#pragma once
// Command lines that CreateProcessW is given, built so that CommandLineToArgvW
// (and the C runtime) split them back into exactly the arguments they were
// built from. Portable: plain text handling.

#include <string>
#include <string_view>
#include <vector>

namespace korvane {

// Which arguments go into double quotes. Either way the argument reads back
// unchanged: backslashes are literal unless a double quote follows, so only
// those before a quote (or before the closing quote) are doubled.
enum class Quoting {
    WhenBlank,          // empty, or holding a space or a tab
    WhenBlankOrSpecial  // also when holding a line feed, vertical tab or double quote
};

void appendCommandLineArgument(std::wstring& line, std::wstring_view argument,
                               Quoting quoting = Quoting::WhenBlank);

// The program in double quotes, then each argument after one space. The
// program is quoted as it is: a Windows path cannot hold a double quote.
std::wstring buildCommandLine(std::wstring_view program,
                              const std::vector<std::wstring>& arguments);

}  // namespace korvane
