#pragma once
// korvane_service.exe as the Windows service "KorvaneVpn": the dispatcher, the
// service main that runs the endpoint, and the control handler.

#include <windows.h>

#include "common/result.h"
#include "runtime/process/runtime_layout.h"
#include "service/host/service_names.h"
#include "service/http/handler_set.h"
#include "service/ipc/ipc_server.h"

namespace korvane::service {

// Connects the process to the Service Control Manager and returns once the
// service, serving `handlers` on its endpoint to the callers that
// `allowCaller` lets through, has stopped. The service log goes to the data
// folder of `layout`. Fails at once ("IO error in winapi
// call") when the process was not started by the Service Control Manager.
Status runServiceDispatcher(const runtime::RuntimeLayout& layout, HandlerSet& handlers,
                            CallerCheck allowCaller);

// Stop and shutdown set the stop flag that `context` points to (a StopFlag)
// and then stop the runtime before answering NO_ERROR; every other control,
// interrogate included, answers ERROR_CALL_NOT_IMPLEMENTED.
DWORD WINAPI controlHandler(DWORD control, DWORD eventType, LPVOID eventData, LPVOID context);

}  // namespace korvane::service
