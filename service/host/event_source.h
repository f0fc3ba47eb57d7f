#pragma once
// The registration that lets Event Viewer show the service's events: the
// source "KorvaneVpn" under the Application log, whose messages are the table
// compiled into korvane_service.exe.

#include <filesystem>

#include "common/result.h"

namespace korvane::service {

// HKLM\SYSTEM\CurrentControlSet\Services\EventLog\Application\KorvaneVpn
inline constexpr wchar_t kEventSourceKey[] =
    L"SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\KorvaneVpn";

// Creates or refreshes the source: EventMessageFile names `messageFile`,
// TypesSupported errors, warnings and information. Fails with "Failed to
// register the event source: <system text>".
Status registerEventSource(const std::filesystem::path& messageFile);

// Removes the source; one that is not there is success. Fails with "Failed to
// remove the event source: <system text>".
Status unregisterEventSource();

}  // namespace korvane::service
