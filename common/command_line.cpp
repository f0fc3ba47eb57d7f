#include "common/command_line.h"

namespace korvane {
namespace {

void appendArgument(std::wstring& line, std::wstring_view argument) {
    const bool quoted =
        argument.empty() || argument.find_first_of(L" \t") != std::wstring_view::npos;
    if (quoted) {
        line += L'"';
    }
    // Backslashes are literal unless they precede a double quote; before one
    // (an escaped quote, or the closing quote) each must be doubled.
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

}  // namespace

std::wstring buildCommandLine(std::wstring_view program,
                              const std::vector<std::wstring>& arguments) {
    std::wstring line = L"\"";
    line += program;
    line += L'"';
    for (const std::wstring& argument : arguments) {
        line += L' ';
        appendArgument(line, argument);
    }
    return line;
}

}  // namespace korvane
