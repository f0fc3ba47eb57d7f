#include "common/command_line.h"

namespace korvane {
namespace {

bool needsQuotes(std::wstring_view argument, Quoting quoting) {
    const wchar_t* special = quoting == Quoting::WhenBlank ? L" \t" : L" \t\n\v\"";
    return argument.empty() || argument.find_first_of(special) != std::wstring_view::npos;
}

}  // namespace

void appendCommandLineArgument(std::wstring& line, std::wstring_view argument, Quoting quoting) {
    const bool quoted = needsQuotes(argument, quoting);
    if (quoted) {
        line += L'"';
    }
    std::size_t backslashes = 0;
    for (const wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        if (c == L'"') {
            line.append(backslashes * 2 + 1, L'\\');
        } else {
            line.append(backslashes, L'\\');
        }
        backslashes = 0;
        line += c;
    }
    line.append(quoted ? backslashes * 2 : backslashes, L'\\');
    if (quoted) {
        line += L'"';
    }
}

std::wstring buildCommandLine(std::wstring_view program,
                              const std::vector<std::wstring>& arguments) {
    std::wstring line = L"\"";
    line += program;
    line += L'"';
    for (const std::wstring& argument : arguments) {
        line += L' ';
        appendCommandLineArgument(line, argument);
    }
    return line;
}

}  // namespace korvane
