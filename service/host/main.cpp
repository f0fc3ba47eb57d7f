// korvane_service.exe: one command-line word selects whether the process runs
// as the service, installs or removes it, or serves the endpoint in the
// foreground.

#include <windows.h>

#include <atomic>
#include <cstdlib>
#include <exception>
#include <memory>
#include <string_view>

#include "common/clock.h"
#include "common/log/service_log.h"
#include "runtime/supervisor/supervisor.h"
#include "service/host/command_word.h"
#include "service/host/error_line.h"
#include "service/host/service_installer.h"
#include "service/host/service_log_session.h"
#include "service/host/service_main.h"
#include "service/host/status_report.h"
#include "service/ipc/ipc_server.h"

namespace korvane::service {
namespace {

// Nothing sets this run's stop flag: the endpoint returns only when it fails.
// The runtime is left as it is.
Status runConsoleMode() {
    beginServiceLog("console");
    Status served =
        runIpcServer(std::make_shared<std::atomic<bool>>(false), runtime::runtimeHandlers());
    if (!served) {
        log::error(served.error());
    }
    endServiceLog(served ? "0" : "1");
    return served;
}

Status uninstall() {
    const Result<UninstallOutcome> outcome = uninstallService(systemClock());
    if (!outcome) {
        return fail(outcome.error());
    }
    if (*outcome == UninstallOutcome::MarkedForDeletion) {
        writeOutputLine(kMarkedForDeletionNote);
    }
    return {};
}

// Exit status 0 when the endpoint answered, whatever it said.
int printStatus() {
    const StatusReport report = collectStatusReport();
    std::string_view text = report.text;
    text.remove_suffix(text.ends_with('\n') ? 1 : 0);  // the writer ends the last line
    writeOutputLine(text);
    return report.endpointAnswered ? 0 : 1;
}

int exitStatusOf(const Status& outcome) {
    if (outcome) {
        return 0;
    }
    writeErrorLine(outcome.error());
    return 1;
}

int runCommand(CommandWord word) {
    switch (word) {
        case CommandWord::Run:
            return exitStatusOf(runServiceDispatcher());
        case CommandWord::Install:
            return exitStatusOf(installService());
        case CommandWord::Uninstall:
            return exitStatusOf(uninstall());
        case CommandWord::Status:
            return printStatus();
        case CommandWord::Console:
            break;
    }
    return exitStatusOf(runConsoleMode());
}

}  // namespace
}  // namespace korvane::service

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    using namespace korvane::service;
    try {
        return runCommand(selectCommandWord(__argc, __wargv));
    } catch (const std::exception& error) {
        writeErrorLine(error.what());
    } catch (...) {
        writeErrorLine("Unknown exception");
    }
    return 1;
}
