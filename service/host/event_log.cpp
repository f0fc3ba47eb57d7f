#include "service/host/event_log.h"

#include <windows.h>

#include <string>

#include "platform/handles.h"
#include "platform/wide.h"
#include "service/host/service_names.h"

namespace korvane::service {

void reportErrorEvent(std::string_view message) {
    const platform::UniqueEventSource source(::RegisterEventSourceW(nullptr, kServiceName));
    if (!source) {
        return;
    }
    const std::wstring text = platform::widen(message);
    const wchar_t* strings[] = {text.c_str()};
    ::ReportEventW(source.get(), EVENTLOG_ERROR_TYPE, 0, 1, nullptr, 1, 0, strings, nullptr);
}

}  // namespace korvane::service
