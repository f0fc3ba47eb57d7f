#include "updater/update_run.h"

#include "updater/command_line.h"

namespace korvane::updater {

Status runUpdate(std::span<const std::wstring> arguments, const UpdateSteps& steps, Clock& clock) {
    const Result<UpdateRequest> request = requireUpdaterOptions(parseUpdaterArguments(arguments));
    if (!request) {
        return fail(request.error());
    }
    // However the wait ends, the copy is tried: a client that still runs makes
    // it fail with the copy's own message.
    waitForClientExit(request->pid, steps.listProcesses, clock);
    if (const Status replaced = steps.replaceExecutable(request->source, request->target);
        !replaced) {
        return fail("Failed to replace application executable: " + replaced.error());
    }
    if (const Status launched = steps.launchApplication(request->launch); !launched) {
        return fail("Failed to restart application: " + launched.error());
    }
    return {};
}

}  // namespace korvane::updater
