#include "service/host/service_description.h"

#include <windows.h>

#include <filesystem>
#include <string>

#include "common/command_line.h"
#include "platform/handles.h"
#include "platform/os_error.h"
#include "service/host/exit_code_text.h"
#include "service/host/service_names.h"

namespace korvane::service {
namespace {

// The installer runs with administrator rights, so the tool is taken from the
// system folder rather than searched for in the current folder, where anyone
// may have put a program of that name.
Result<std::filesystem::path> serviceToolPath() {
    wchar_t folder[MAX_PATH];
    const UINT length = ::GetSystemDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        return fail(platform::lastOsErrorText());
    }
    return std::filesystem::path(std::wstring(folder, length)) / L"sc.exe";
}

// The child gets this process's standard streams; they may not be
// inheritable as they are, so inheritable duplicates are handed over.
platform::UniqueFile inheritableCopy(DWORD which) {
    const HANDLE original = ::GetStdHandle(which);
    if (original == nullptr || original == INVALID_HANDLE_VALUE) {
        return {};
    }
    const HANDLE self = ::GetCurrentProcess();
    platform::UniqueFile copy;
    if (!::DuplicateHandle(self, original, self, copy.put(), 0, TRUE, DUPLICATE_SAME_ACCESS)) {
        return {};
    }
    return copy;
}

}  // namespace

Status setServiceDescription() {
    const Result<std::filesystem::path> tool = serviceToolPath();
    if (!tool) {
        return fail(tool.error());
    }
    std::wstring commandLine =
        buildCommandLine(tool->native(), {L"description", kServiceName, kServiceDescription});

    const platform::UniqueFile input = inheritableCopy(STD_INPUT_HANDLE);
    const platform::UniqueFile output = inheritableCopy(STD_OUTPUT_HANDLE);
    const platform::UniqueFile error = inheritableCopy(STD_ERROR_HANDLE);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    if (input || output || error) {
        startup.dwFlags = STARTF_USESTDHANDLES;
    }
    startup.hStdInput = input.get();
    startup.hStdOutput = output.get();
    startup.hStdError = error.get();

    PROCESS_INFORMATION started{};
    if (!::CreateProcessW(tool->c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr,
                          nullptr, &startup, &started)) {
        return fail(platform::lastOsErrorText());
    }
    const platform::UniqueProcess process(started.hProcess);
    const platform::UniqueThread thread(started.hThread);

    DWORD exitCode = 0;
    if (::WaitForSingleObject(process.get(), INFINITE) != WAIT_OBJECT_0 ||
        !::GetExitCodeProcess(process.get(), &exitCode)) {
        return fail(platform::lastOsErrorText());
    }
    if (exitCode != 0) {
        return fail("Failed to set service description: " + exitCodeText(exitCode));
    }
    return {};
}

}  // namespace korvane::service
