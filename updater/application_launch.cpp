#include "updater/application_launch.h"

#include "platform/process_launcher.h"

namespace korvane::updater {

Status launchApplication(const std::wstring& program) {
    // The handles are released at once: the application runs on its own.
    const Result<platform::UniqueProcessInformation> started =
        platform::launchProcess({.program = program, .creationFlags = CREATE_NO_WINDOW});
    if (!started) {
        return fail(started.error());
    }
    return {};
}

}  // namespace korvane::updater
