#pragma once
// One run of the updater: read the command line, wait for the client to end,
// put the new executable in place and start the application again.

#include <functional>
#include <span>
#include <string>

#include "common/clock.h"
#include "common/result.h"
#include "updater/client_wait.h"

namespace korvane::updater {

// The operating-system work, given as seams so that the order of the steps
// and the messages can be checked without touching files or processes.
struct UpdateSteps {
    ProcessLister listProcesses;
    // Puts `source`'s content at `target`; the error is the system's text.
    std::function<Status(const std::wstring& source, const std::wstring& target)> replaceExecutable;
    // Starts the program without waiting for it; the error is the system's text.
    std::function<Status(const std::wstring& program)> launchApplication;
};

// `arguments` excludes the program's own name. The error is the one line the
// updater writes to standard error: a missing argument (nothing else is done),
// "Failed to replace application executable: " + text (nothing is started) or
// "Failed to restart application: " + text (the new executable is in place).
Status runUpdate(std::span<const std::wstring> arguments, const UpdateSteps& steps, Clock& clock);

}  // namespace korvane::updater
