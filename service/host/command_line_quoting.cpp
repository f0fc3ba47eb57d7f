#include "service/host/command_line_quoting.h"

#include "common/command_line.h"

namespace korvane::service {

std::wstring registeredCommandLine(std::wstring_view executablePath) {
    std::wstring commandLine;
    appendCommandLineArgument(commandLine, executablePath, Quoting::WhenBlankOrSpecial);
    commandLine += L" run";
    return commandLine;
}

}  // namespace korvane::service
