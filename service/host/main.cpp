// korvane_service.exe: one command-line word selects whether the process runs
// as the service, installs or removes it, prints its version or its status,
// writes the diagnostics file, or serves the endpoint in the foreground.

#include <windows.h>

#include <atomic>
#include <cstdlib>
#include <exception>
#include <memory>
#include <string_view>

#include "common/clock.h"
#include "common/log/service_log.h"
#include "common/version.h"
#include "platform/error_line.h"
#include "platform/wide.h"
#include "runtime/process/runtime_layout.h"
#include "service/host/caller_policy.h"
#include "service/host/command_word.h"
#include "service/host/diagnostics.h"
#include "service/host/runtime_handlers.h"
#include "service/host/service_installer.h"
#include "service/host/service_log_session.h"
#include "service/host/service_main.h"
#include "service/host/status_report.h"
#include "service/ipc/ipc_server.h"

namespace korvane::service {
namespace {

// Nothing sets this run's stop flag: the endpoint returns only when it fails.
// The runtime is left as it is.
Status runConsoleMode(const runtime::RuntimeLayout& layout, HandlerSet& handlers) {
    beginServiceLog("console", layout.dataFolder());
    Status served = runIpcServer(std::make_shared<std::atomic<bool>>(false), handlers);
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
        platform::writeOutputLine(kMarkedForDeletionNote);
    }
    return {};
}

// Exit status 0 when the endpoint answered, whatever it said.
int printStatus(const runtime::RuntimeLayout& layout) {
    const StatusReport report = collectStatusReport(layout.dataFolder());
    std::string_view text = report.text;
    text.remove_suffix(text.ends_with('\n') ? 1 : 0);  // the writer ends the last line
    platform::writeOutputLine(text);
    return report.endpointAnswered ? 0 : 1;
}

int exitStatusOf(const Status& outcome) {
    if (outcome) {
        return 0;
    }
    platform::writeErrorLine(outcome.error());
    return 1;
}

// The path of the written file on standard output.
Status writeDiagnosticsFile(const runtime::RuntimeLayout& layout,
                            std::optional<std::wstring_view> target) {
    KORVANE_TRY_ASSIGN(
        const std::filesystem::path written,
        writeDiagnostics(layout,
                         target ? std::optional<std::filesystem::path>(*target) : std::nullopt));
    platform::writeOutputLine(platform::narrow(written.native()));
    return {};
}

int runCommand(CommandWord word, std::optional<std::wstring_view> argument) {
    switch (word) {
        case CommandWord::Install: {
            // The install folder warning goes to the service log too.
            const auto layout = runtime::RuntimeLayout::ofRunningExecutable();
            (void)log::openServiceLog(layout.dataFolder() / L"logs");  // optional
            const int status = exitStatusOf(installService());
            log::closeServiceLog();
            return status;
        }
        case CommandWord::Uninstall:
            return exitStatusOf(uninstall());
        case CommandWord::Version:
            platform::writeOutputLine(versionLine("korvane_service"));
            return 0;
        case CommandWord::Status:
        case CommandWord::Diagnostics:
        case CommandWord::Run:
        case CommandWord::Console:
            break;
    }
    // The runtime's files and programs are placed once, from where this
    // executable lives.
    const auto layout = runtime::RuntimeLayout::ofRunningExecutable();
    if (word == CommandWord::Status) {
        return printStatus(layout);
    }
    if (word == CommandWord::Diagnostics) {
        return exitStatusOf(writeDiagnosticsFile(layout, argument));
    }
    RuntimeHandlers handlers(layout);
    // Console mode stays open to every local program, for development and curl.
    return exitStatusOf(word == CommandWord::Run
                            ? runServiceDispatcher(layout, handlers, serviceCallerCheck(layout))
                            : runConsoleMode(layout, handlers));
}

}  // namespace
}  // namespace korvane::service

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    using namespace korvane::service;
    using korvane::platform::writeErrorLine;
    try {
        return runCommand(selectCommandWord(__argc, __wargv), argumentAfterWord(__argc, __wargv));
    } catch (const std::exception& error) {
        writeErrorLine(error.what());
    } catch (...) {
        writeErrorLine("Unknown exception");
    }
    return 1;
}
