#include "updater/tasklist_runner.h"

#include <vector>

#include "platform/handles.h"
#include "common/command_line.h"

namespace korvane::updater {

using platform::UniqueFile;
using platform::UniqueProcess;
using platform::UniqueThread;

std::optional<std::string> runTasklist(std::uint32_t pid) {
    SECURITY_ATTRIBUTES inheritable{};
    inheritable.nLength = sizeof(inheritable);
    inheritable.bInheritHandle = TRUE;
    UniqueFile readEnd;
    UniqueFile writeEnd;
    if (!::CreatePipe(readEnd.put(), writeEnd.put(), &inheritable, 0) ||
        !::SetHandleInformation(readEnd.get(), HANDLE_FLAG_INHERIT, 0)) {
        return std::nullopt;
    }

    const std::vector<std::wstring> arguments{L"/FI", L"PID eq " + std::to_wstring(pid), L"/NH"};
    // A null application name makes CreateProcessW search for the program.
    std::wstring commandLine = buildCommandLine(L"tasklist", arguments);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writeEnd.get();
    PROCESS_INFORMATION created{};
    if (!::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW,
                          nullptr, nullptr, &startup, &created)) {
        return std::nullopt;
    }
    const UniqueProcess process(created.hProcess);
    const UniqueThread thread(created.hThread);
    // Only the child may hold the write end, so that reading stops when it ends.
    writeEnd.reset();

    std::string output;
    char buffer[4096];
    DWORD received = 0;
    while (::ReadFile(readEnd.get(), buffer, sizeof(buffer), &received, nullptr) && received > 0) {
        output.append(buffer, received);
    }
    return output;
}

}  // namespace korvane::updater
