#pragma once
// How the service is known to the Service Control Manager and the event log.

namespace korvane::service {

inline constexpr wchar_t kServiceName[] = L"KorvaneVpn";
inline constexpr wchar_t kServiceDisplayName[] = L"Korvane VPN Service";
inline constexpr wchar_t kServiceDescription[] =
    L"Runs Korvane VPN runtime with system privileges.";

}  // namespace korvane::service
