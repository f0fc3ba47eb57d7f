// korvane_updater: replaces the desktop client's executable once the client
// has ended and starts the application again.

#include <windows.h>

#include <string>
#include <vector>

#include "common/clock.h"
#include "platform/error_line.h"
#include "common/version.h"
#include "updater/application_launch.h"
#include "updater/command_line.h"
#include "updater/executable_replacement.h"
#include "updater/tasklist_runner.h"
#include "updater/update_run.h"

int wmain(int argc, wchar_t* argv[]) {
    using namespace korvane::updater;
    const std::vector<std::wstring> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
    if (asksForVersion(arguments)) {
        korvane::platform::writeOutputLine(korvane::versionLine("korvane_updater"));
        return 0;
    }
    const UpdateSteps steps{runTasklist, replaceExecutable, launchApplication};
    if (const korvane::Status outcome = runUpdate(arguments, steps, korvane::systemClock());
        !outcome) {
        korvane::platform::writeErrorLine(outcome.error());
        return 1;
    }
    return 0;
}
