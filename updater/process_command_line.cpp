#include "updater/process_command_line.h"

namespace korvane::updater {
namespace {

// Backslashes are literal unless they precede a quote, so only runs before a
// quote (or before the closing quote) are doubled.
void appendQuotedArgument(std::wstring& line, std::wstring_view argument) {
    line += L'"';
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
    line.append(backslashes * 2, L'\\');
    line += L'"';
}

}  // namespace

std::wstring buildCommandLine(std::wstring_view program, std::span<const std::wstring> arguments) {
    std::wstring line = L"\"";
    line += program;
    line += L'"';
    for (const std::wstring& argument : arguments) {
        line += L' ';
        appendQuotedArgument(line, argument);
    }
    return line;
}

}  // namespace korvane::updater
