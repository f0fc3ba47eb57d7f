#include "service/host/service_installer.h"

#include <windows.h>

#include <filesystem>
#include <optional>
#include <string>

#include "common/log/service_log.h"
#include "platform/error_line.h"
#include "platform/handles.h"
#include "platform/module_path.h"
#include "service/host/command_line_quoting.h"
#include "service/host/event_log.h"
#include "service/host/event_source.h"
#include "service/host/install_folder_check.h"
#include "service/host/service_description.h"
#include "service/host/service_names.h"
#include "service/host/stop_wait.h"
#include "service/host/winapi_error.h"

namespace korvane::service {
namespace {

using platform::UniqueServiceHandle;

constexpr wchar_t kRegisteredFileName[] = L"korvane_service.exe";
// An empty list: on an update, a null pointer would keep the old dependencies.
constexpr wchar_t kNoDependencies[] = L"\0";
constexpr DWORD kInstallAccess = SERVICE_CHANGE_CONFIG | SERVICE_QUERY_STATUS | SERVICE_START;
constexpr DWORD kUninstallAccess = DELETE | SERVICE_STOP | SERVICE_QUERY_STATUS;

// Restart 5 seconds after each of the first two failures, then nothing until
// a day without failure has reset the count.
bool setRecoveryActions(SC_HANDLE service) {
    SC_ACTION actions[] = {
        {SC_ACTION_RESTART, 5000},
        {SC_ACTION_RESTART, 5000},
        {SC_ACTION_NONE, 0},
    };
    SERVICE_FAILURE_ACTIONSW failureActions{};
    failureActions.dwResetPeriod = 24 * 60 * 60;
    failureActions.cActions = static_cast<DWORD>(std::size(actions));
    failureActions.lpsaActions = actions;
    if (!::ChangeServiceConfig2W(service, SERVICE_CONFIG_FAILURE_ACTIONS, &failureActions)) {
        return false;
    }
    // Also count STOPPED with an error exit code as a failure, so that a
    // service whose endpoint broke comes back. A service manager that does not
    // know this setting (Wine's) refuses it; the actions still cover a service
    // process that dies, so the refusal is not worth failing the installation.
    SERVICE_FAILURE_ACTIONS_FLAG onErrorExit{};
    onErrorExit.fFailureActionsOnNonCrashFailures = TRUE;
    ::ChangeServiceConfig2W(service, SERVICE_CONFIG_FAILURE_ACTIONS_FLAG, &onErrorExit);
    return true;
}

// Creates the service, or updates an existing one to the same values.
Status registerService(const std::wstring& commandLine) {
    const UniqueServiceHandle manager(
        ::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT | SC_MANAGER_CREATE_SERVICE));
    if (!manager) {
        return fail(kWinapiError);
    }
    UniqueServiceHandle service(
        ::CreateServiceW(manager.get(), kServiceName, kServiceDisplayName, kInstallAccess,
                         SERVICE_WIN32_OWN_PROCESS, SERVICE_AUTO_START, SERVICE_ERROR_NORMAL,
                         commandLine.c_str(), nullptr, nullptr, kNoDependencies, nullptr, nullptr));
    if (!service) {
        // Whatever made the creation fail (usually: the service exists), the
        // update below either works or says so.
        service.reset(::OpenServiceW(manager.get(), kServiceName, kInstallAccess));
        if (!service ||
            !::ChangeServiceConfigW(service.get(), SERVICE_WIN32_OWN_PROCESS, SERVICE_AUTO_START,
                                    SERVICE_ERROR_NORMAL, commandLine.c_str(), nullptr, nullptr,
                                    kNoDependencies, nullptr, nullptr, kServiceDisplayName)) {
            return fail(kWinapiError);
        }
    }
    if (!setRecoveryActions(service.get())) {
        return fail(kWinapiError);
    }
    return {};
}

// An already running service goes on running; any other failure to start is
// left for the Service Control Manager to start it at the next boot.
void startService() {
    const UniqueServiceHandle manager(::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
    if (!manager) {
        return;
    }
    const UniqueServiceHandle service(::OpenServiceW(manager.get(), kServiceName, SERVICE_START));
    if (service) {
        ::StartServiceW(service.get(), 0, nullptr);
    }
}

}  // namespace

Status installService() {
    const Result<std::filesystem::path> running = platform::currentExecutablePath();
    if (!running) {
        return fail("Failed to resolve service executable: " + running.error());
    }
    // Whatever the running copy is called, the service runs the real name.
    const std::filesystem::path registered =
        std::filesystem::path(*running).replace_filename(kRegisteredFileName);

    if (Status registeredService = registerService(registeredCommandLine(registered.native()));
        !registeredService) {
        return registeredService;
    }
    if (Status described = setServiceDescription(); !described) {
        return described;
    }
    if (Status source = registerEventSource(registered); !source) {
        return source;
    }
    // Not a failure: the service works, but whoever can change these files
    // can run code as SYSTEM, so the administrator is told.
    for (const std::string& warning : installFolderWarnings(installPaths(registered))) {
        platform::writeErrorLine(warning);
        reportInstallFolderWarning(warning);
        log::warning(warning);
    }
    startService();
    return {};
}

Result<UninstallOutcome> uninstallService(Clock& clock) {
    const UniqueServiceHandle manager(::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
    if (!manager) {
        return fail(kWinapiError);
    }
    UniqueServiceHandle service(::OpenServiceW(manager.get(), kServiceName, kUninstallAccess));
    if (!service) {
        return fail(kWinapiError);
    }
    // A service that is not running refuses the stop; it is deleted all the
    // same. One that does not stop in time is deleted too, and stays
    // registered until it stops.
    SERVICE_STATUS status{};
    ::ControlService(service.get(), SERVICE_CONTROL_STOP, &status);
    const StopWaitOutcome waited = waitUntilStopped(
        [&]() -> std::optional<bool> {
            SERVICE_STATUS current{};
            if (!::QueryServiceStatus(service.get(), &current)) {
                return std::nullopt;
            }
            return current.dwCurrentState == SERVICE_STOPPED;
        },
        clock);
    const bool deleted = ::DeleteService(service.get()) != FALSE;
    // Otherwise an earlier uninstall may have deleted it already.
    if (!deleted && ::GetLastError() != ERROR_SERVICE_MARKED_FOR_DELETE) {
        return fail(kWinapiError);
    }
    if (Status source = unregisterEventSource(); !source) {
        return fail(source.error());
    }
    if (!deleted) {
        return UninstallOutcome::MarkedForDeletion;
    }
    service.reset();
    // Deletion completes when the last handle closes: as long as another
    // program (or a service still running) holds one, the name stays taken.
    const UniqueServiceHandle remaining(
        ::OpenServiceW(manager.get(), kServiceName, SERVICE_QUERY_STATUS));
    if (remaining || waited != StopWaitOutcome::Stopped) {
        return UninstallOutcome::MarkedForDeletion;
    }
    return UninstallOutcome::Removed;
}

}  // namespace korvane::service
