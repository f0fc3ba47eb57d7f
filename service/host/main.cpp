// korvane_service.exe: one command-line word selects whether the process runs
// as the service, installs or removes it, or serves the endpoint in the
// foreground.

#include <windows.h>

#include <atomic>
#include <cstdlib>
#include <exception>
#include <memory>

#include "common/clock.h"
#include "platform/error_line.h"
#include "runtime/process/runtime_layout.h"
#include "service/host/command_word.h"
#include "service/host/runtime_handlers.h"
#include "service/host/service_installer.h"
#include "service/host/service_main.h"
#include "service/ipc/ipc_server.h"

namespace korvane::service {
namespace {

// Nothing sets this run's stop flag: the endpoint returns only when it fails.
// The runtime is left as it is.
Status runConsoleMode(HandlerSet& handlers) {
    return runIpcServer(std::make_shared<std::atomic<bool>>(false), handlers);
}

Status runCommand(CommandWord word) {
    switch (word) {
        case CommandWord::Install:
            return installService();
        case CommandWord::Uninstall:
            return uninstallService(systemClock());
        case CommandWord::Run:
        case CommandWord::Console:
            break;
    }
    // The runtime's files and programs are placed once, from where this
    // executable lives.
    RuntimeHandlers handlers(runtime::RuntimeLayout::ofRunningExecutable());
    return word == CommandWord::Run ? runServiceDispatcher(handlers) : runConsoleMode(handlers);
}

int exitStatusOf(const Status& outcome) {
    if (outcome) {
        return 0;
    }
    platform::writeErrorLine(outcome.error());
    return 1;
}

}  // namespace
}  // namespace korvane::service

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    using namespace korvane::service;
    using korvane::platform::writeErrorLine;
    try {
        return exitStatusOf(runCommand(selectCommandWord(__argc, __wargv)));
    } catch (const std::exception& error) {
        writeErrorLine(error.what());
    } catch (...) {
        writeErrorLine("Unknown exception");
    }
    return 1;
}
