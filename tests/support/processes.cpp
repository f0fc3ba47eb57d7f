#include "tests/support/processes.h"

#include <shellapi.h>

#include "common/command_line.h"
#include "platform/os_error.h"
#include "platform/wide.h"

namespace korvane::test {

Result<StartedProcess> startProcess(const ProcessStart& start) {
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = start.input;
    startup.hStdOutput = start.output;
    startup.hStdError = start.error;
    std::wstring commandLine = buildCommandLine(start.program.native(), start.arguments);
    const wchar_t* folder =
        start.workingDirectory.empty() ? nullptr : start.workingDirectory.c_str();
    PROCESS_INFORMATION created{};
    if (!::CreateProcessW(start.program.c_str(), commandLine.data(), nullptr, nullptr, TRUE,
                          start.creationFlags, nullptr, folder, &startup, &created)) {
        return fail("cannot start " + platform::narrow(start.program.native()) + ": " +
                    platform::lastOsErrorText());
    }
    const platform::UniqueThread thread(created.hThread);
    return StartedProcess{platform::UniqueProcess(created.hProcess), created.dwProcessId};
}

std::vector<std::wstring> parseCommandLine(const std::wstring& commandLine) {
    int count = 0;
    const platform::UniqueLocalMemory<LPWSTR*> argv(
        ::CommandLineToArgvW(commandLine.c_str(), &count));
    if (!argv) {
        return {};
    }
    return std::vector<std::wstring>(argv.get(), argv.get() + count);
}

bool waitForExit(HANDLE process, std::chrono::milliseconds limit) {
    return ::WaitForSingleObject(process, static_cast<DWORD>(limit.count())) == WAIT_OBJECT_0;
}

bool processAlive(DWORD id) {
    const platform::UniqueProcess process(::OpenProcess(SYNCHRONIZE, FALSE, id));
    return process && ::WaitForSingleObject(process.get(), 0) == WAIT_TIMEOUT;
}

void terminateById(DWORD id) {
    const platform::UniqueProcess process(
        ::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id));
    if (process) {
        ::TerminateProcess(process.get(), 1);
        ::WaitForSingleObject(process.get(), 10000);
    }
}

}  // namespace korvane::test
