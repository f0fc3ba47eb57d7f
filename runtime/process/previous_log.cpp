#include "runtime/process/previous_log.h"

#include <windows.h>

#include "common/log/service_log.h"
#include "platform/os_error.h"
#include "platform/wide.h"

namespace korvane::runtime {

std::filesystem::path previousLogPath(const std::filesystem::path& log) {
    std::filesystem::path previous = log;
    previous.replace_filename(log.stem().native() + L".previous" + log.extension().native());
    return previous;
}

void keepPreviousLog(const std::filesystem::path& log) {
    const std::filesystem::path previous = previousLogPath(log);
    if (::MoveFileExW(log.c_str(), previous.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        return;
    }
    const DWORD error = ::GetLastError();
    if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND) {
        log::warning("Could not keep " + platform::narrow(log.native()) + " as " +
                     platform::narrow(previous.filename().native()) + ": " +
                     platform::osErrorText(error));
    }
}

}  // namespace korvane::runtime
