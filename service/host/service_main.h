#pragma once
// korvane_service.exe as the Windows service "KorvaneVpn": the dispatcher, the
// service main that runs the endpoint, and the control handler.

#include <windows.h>

#include "common/result.h"
#include "service/host/service_names.h"
#include "service/http/handler_set.h"

namespace korvane::service {

// Connects the process to the Service Control Manager and returns once the
// service, serving `handlers` on its endpoint, has stopped. Fails at once
// ("IO error in winapi call") when the process was not started by the Service
// Control Manager.
Status runServiceDispatcher(HandlerSet& handlers);

// Stop and shutdown set the stop flag that `context` points to (a StopFlag)
// and then stop the runtime before answering NO_ERROR; every other control,
// interrogate included, answers ERROR_CALL_NOT_IMPLEMENTED.
DWORD WINAPI controlHandler(DWORD control, DWORD eventType, LPVOID eventData, LPVOID context);

}  // namespace korvane::service
