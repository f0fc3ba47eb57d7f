#include "service/host/service_description.h"

#include <windows.h>

#include <filesystem>
#include <string>

#include "platform/os_error.h"
#include "platform/process_launcher.h"
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

}  // namespace

// N.B. The description goes through sc.exe rather than ChangeServiceConfig2W on
// purpose: installing has always run it, with its output on the installer's
// own streams and its exit code in the failure message.
Status setServiceDescription() {
    const Result<std::filesystem::path> tool = serviceToolPath();
    if (!tool) {
        return fail(tool.error());
    }
    const Result<platform::UniqueProcessInformation> started =
        platform::launchProcess({.program = *tool,
                                 .arguments = {L"description", kServiceName, kServiceDescription},
                                 .input = ::GetStdHandle(STD_INPUT_HANDLE),
                                 .output = ::GetStdHandle(STD_OUTPUT_HANDLE),
                                 .error = ::GetStdHandle(STD_ERROR_HANDLE)});
    if (!started) {
        return fail(started.error());
    }
    DWORD exitCode = 0;
    if (::WaitForSingleObject(started->process.get(), INFINITE) != WAIT_OBJECT_0 ||
        !::GetExitCodeProcess(started->process.get(), &exitCode)) {
        return fail(platform::lastOsErrorText());
    }
    if (exitCode != 0) {
        return fail("Failed to set service description: " + exitCodeText(exitCode));
    }
    return {};
}

}  // namespace korvane::service
