#include "service/host/command_line_quoting.h"

namespace korvane::service {
namespace {

bool needsQuotes(std::wstring_view argument) {
    return argument.empty() || argument.find_first_of(L" \t\n\v\"") != std::wstring_view::npos;
}

}  // namespace

void appendQuotedArgument(std::wstring& commandLine, std::wstring_view argument) {
    if (!needsQuotes(argument)) {
        commandLine += argument;
        return;
    }
    commandLine += L'"';
    std::size_t pendingBackslashes = 0;
    for (const wchar_t c : argument) {
        if (c == L'\\') {
            ++pendingBackslashes;
            continue;
        }
        if (c == L'"') {
            // The backslashes before a quote are doubled and the quote escaped.
            commandLine.append(pendingBackslashes * 2 + 1, L'\\');
        } else {
            commandLine.append(pendingBackslashes, L'\\');
        }
        pendingBackslashes = 0;
        commandLine += c;
    }
    // Backslashes before the closing quote would otherwise escape it.
    commandLine.append(pendingBackslashes * 2, L'\\');
    commandLine += L'"';
}

std::wstring registeredCommandLine(std::wstring_view executablePath) {
    std::wstring commandLine;
    appendQuotedArgument(commandLine, executablePath);
    commandLine += L" run";
    return commandLine;
}

}  // namespace korvane::service
