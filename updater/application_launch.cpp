#include "updater/application_launch.h"

#include "platform/handles.h"
#include "platform/os_error.h"
#include "common/command_line.h"

namespace korvane::updater {

Status launchApplication(const std::wstring& program) {
    std::wstring commandLine = buildCommandLine(program, {});
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION created{};
    if (!::CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE,
                          CREATE_NO_WINDOW, nullptr, nullptr, &startup, &created)) {
        return fail(platform::lastOsErrorText());
    }
    const platform::UniqueProcess process(created.hProcess);
    const platform::UniqueThread thread(created.hThread);
    return {};
}

}  // namespace korvane::updater
