#include "service/host/service_main.h"

#include <atomic>
#include <exception>
#include <memory>
#include <string>

#include "common/log/service_log.h"
#include "platform/error_line.h"
#include "runtime/supervisor/supervisor.h"
#include "service/host/event_log.h"
#include "service/host/service_log_session.h"
#include "service/host/winapi_error.h"
#include "service/ipc/ipc_server.h"

namespace korvane::service {
namespace {

// What the service reports to the Service Control Manager: never a pending
// state, always stop and shutdown accepted.
SERVICE_STATUS statusReport(DWORD state, DWORD win32ExitCode, DWORD serviceExitCode) {
    SERVICE_STATUS status{};
    status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    status.dwCurrentState = state;
    status.dwControlsAccepted = SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_SHUTDOWN;
    status.dwWin32ExitCode = win32ExitCode;
    status.dwServiceSpecificExitCode = serviceExitCode;
    status.dwCheckPoint = 0;
    status.dwWaitHint = 0;
    return status;
}

// The control handler's reference to the stop flag. It lives as long as the
// process because a control may still be in delivery while serviceMain
// returns.
StopFlag& handlerStopFlag() {
    static StopFlag flag;
    return flag;
}

// N.B. serviceMain receives nothing of its caller's, so the layout and the
// handlers reach it
// here; runServiceDispatcher sets them before the dispatcher starts.
HandlerSet* servedHandlers = nullptr;
CallerCheck servedCallerCheck;
const runtime::RuntimeLayout* servedLayout = nullptr;

// Standard error is nowhere under the Service Control Manager; the event log
// is where an administrator will look.
void reportServiceFailure(ErrorEvent kind, std::string_view message) {
    log::error(message);
    platform::writeErrorLine(message);
    reportErrorEvent(kind, message);
}

// The results of stopping are ignored here, and so is an exception.
void stopRuntime() noexcept {
    try {
        (void)runtime::handleStop();
    } catch (...) {
    }
}

void endRuntime() noexcept {
    try {
        (void)runtime::handleServiceStop();
    } catch (...) {
    }
}

Status serveEndpoint(const StopFlag& stopFlag) noexcept {
    try {
        return runIpcServer(stopFlag, *servedHandlers, servedCallerCheck);
    } catch (const std::exception& error) {
        return fail(error.what());
    } catch (...) {
        return fail("Unknown exception in the IPC endpoint");
    }
}

void WINAPI serviceMain(DWORD /*argc*/, LPWSTR* /*argv*/) {
    beginServiceLog("service", servedLayout->dataFolder());
    StopFlag stopFlag;
    try {
        stopFlag = std::make_shared<std::atomic<bool>>(false);
    } catch (...) {
        reportServiceFailure(ErrorEvent::ServiceStartFailed, kWinapiError);
        return;
    }
    handlerStopFlag() = stopFlag;

    const SERVICE_STATUS_HANDLE statusHandle =
        ::RegisterServiceCtrlHandlerExW(kServiceName, controlHandler, &handlerStopFlag());
    SERVICE_STATUS running = statusReport(SERVICE_RUNNING, NO_ERROR, 0);
    if (statusHandle == nullptr || !::SetServiceStatus(statusHandle, &running)) {
        reportServiceFailure(ErrorEvent::ServiceStartFailed, kWinapiError);
        return;
    }

    const Status served = serveEndpoint(stopFlag);
    // Whatever a request in progress or a restart started after the control
    // handler's stop is ended here, and nothing is restarted after.
    endRuntime();

    // The process may end as soon as STOPPED is reported, so the failure is
    // recorded first. A failed endpoint is a failure to the Service Control
    // Manager too, so that its recovery actions apply.
    SERVICE_STATUS stopped = statusReport(SERVICE_STOPPED, NO_ERROR, 0);
    if (!served) {
        reportServiceFailure(ErrorEvent::EndpointFailed, served.error());
        stopped = statusReport(SERVICE_STOPPED, ERROR_SERVICE_SPECIFIC_ERROR, 1);
    }
    endServiceLog(served ? "0" : "1066, service-specific 1");
    ::SetServiceStatus(statusHandle, &stopped);
}

}  // namespace

DWORD WINAPI controlHandler(DWORD control, DWORD /*eventType*/, LPVOID /*eventData*/,
                            LPVOID context) {
    switch (control) {
        case SERVICE_CONTROL_STOP:
        case SERVICE_CONTROL_SHUTDOWN: {
            const StopFlag* stopFlag = static_cast<const StopFlag*>(context);
            if (stopFlag != nullptr && *stopFlag) {
                (*stopFlag)->exchange(true);
            }
            // N.B. Stopped here, synchronously, although a control handler
            // should answer at once: a long start in progress would otherwise
            // keep the VPN up until the endpoint notices the flag. Ending the
            // two children takes milliseconds when sing-box.exe answers its
            // Ctrl+C and about 5 s when it ignores it; only a process that
            // outlives its termination makes it longer (each slot's stop is
            // bounded, so at most about 25 s in all).
            stopRuntime();
            return NO_ERROR;
        }
        default:
            return ERROR_CALL_NOT_IMPLEMENTED;
    }
}

Status runServiceDispatcher(const runtime::RuntimeLayout& layout, HandlerSet& handlers,
                            CallerCheck allowCaller) {
    servedLayout = &layout;
    servedHandlers = &handlers;
    servedCallerCheck = std::move(allowCaller);
    std::wstring serviceName = kServiceName;  // the table wants a mutable text
    const SERVICE_TABLE_ENTRYW table[] = {{serviceName.data(), serviceMain}, {nullptr, nullptr}};
    if (!::StartServiceCtrlDispatcherW(table)) {
        return fail(kWinapiError);
    }
    return {};
}

}  // namespace korvane::service
