#include "service/host/service_log_session.h"

#include <windows.h>

#include <string>

#include "common/log/service_log.h"
#include "common/version.h"
#include "platform/wide.h"
#include "service/http/request_log.h"

namespace korvane::service {

void beginServiceLog(std::string_view mode, const std::filesystem::path& dataFolder) {
    if (!log::openServiceLog(dataFolder / "logs")) {
        return;
    }
    log::info("Service process started: pid " + std::to_string(::GetCurrentProcessId()) +
              ", version " + std::string(versionText()) + ", mode " + std::string(mode) +
              ", data folder " + platform::narrow(dataFolder.native()));
}

void endServiceLog(std::string_view exitCode) {
    log::info("Service stopped: exit code " + std::string(exitCode) + ", " +
              std::to_string(healthRequestCount()) + " health requests served");
    log::closeServiceLog();
}

}  // namespace korvane::service
