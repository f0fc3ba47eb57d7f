// korvane_updater: replaces the desktop client's executable once the client
// has ended and starts the application again.

#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

#include "common/clock.h"
#include "common/version.h"
#include "platform/wide.h"
#include "updater/application_launch.h"
#include "updater/command_line.h"
#include "updater/executable_replacement.h"
#include "updater/tasklist_runner.h"
#include "updater/update_run.h"

namespace {

// `which` is STD_OUTPUT_HANDLE or STD_ERROR_HANDLE. A console gets the text as
// UTF-16 so that any code page shows it; a pipe or file gets UTF-8 bytes.
void writeLine(DWORD which, std::string_view message) {
    const HANDLE stream = ::GetStdHandle(which);
    if (stream == nullptr || stream == INVALID_HANDLE_VALUE) {
        return;
    }
    DWORD mode = 0;
    DWORD written = 0;
    if (::GetConsoleMode(stream, &mode)) {
        const std::wstring line = korvane::platform::widen(message) + L"\n";
        ::WriteConsoleW(stream, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    } else {
        const std::string line = std::string(message) + "\n";
        ::WriteFile(stream, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    }
}

}  // namespace

int wmain(int argc, wchar_t* argv[]) {
    using namespace korvane::updater;
    const std::vector<std::wstring> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
    if (asksForVersion(arguments)) {
        writeLine(STD_OUTPUT_HANDLE, korvane::versionLine("korvane_updater"));
        return 0;
    }
    const UpdateSteps steps{runTasklist, replaceExecutable, launchApplication};
    if (const korvane::Status outcome = runUpdate(arguments, steps, korvane::systemClock());
        !outcome) {
        writeLine(STD_ERROR_HANDLE, outcome.error());
        return 1;
    }
    return 0;
}
