#include "service/host/event_log.h"

#include <windows.h>

#include <string>

// Generated from service_events.mc: the event IDs.
#include "service_events.h"

#include "platform/handles.h"
#include "platform/wide.h"
#include "service/host/service_names.h"

namespace korvane::service {

namespace {

DWORD eventIdOf(ErrorEvent kind) {
    switch (kind) {
        case ErrorEvent::ServiceStartFailed:
            return KORVANE_EVENT_SERVICE_START_FAILED;
        case ErrorEvent::EndpointFailed:
            break;
    }
    return KORVANE_EVENT_ENDPOINT_FAILED;
}

void report(WORD type, DWORD eventId, std::string_view message) {
    const platform::UniqueEventSource source(::RegisterEventSourceW(nullptr, kServiceName));
    if (!source) {
        return;
    }
    const std::wstring text = platform::widen(message);
    const wchar_t* strings[] = {text.c_str()};
    ::ReportEventW(source.get(), type, 0, eventId, nullptr, 1, 0, strings, nullptr);
}

}  // namespace

void reportErrorEvent(ErrorEvent kind, std::string_view message) {
    report(EVENTLOG_ERROR_TYPE, eventIdOf(kind), message);
}

void reportInstallFolderWarning(std::string_view warning) {
    report(EVENTLOG_WARNING_TYPE, KORVANE_EVENT_INSTALL_FOLDER_WRITABLE, warning);
}

}  // namespace korvane::service
