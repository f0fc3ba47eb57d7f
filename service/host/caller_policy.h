#pragma once
// Who may drive the service: in service mode only the programs installed with
// it, unless administrators turned the check off.

#include <optional>
#include <string>

#include "runtime/process/runtime_layout.h"
#include "service/ipc/ipc_server.h"

namespace korvane::service {

// HKLM\<kServiceParametersKey>, value AllowAnyLocalClient: a DWORD 1 lets
// every local program drive the service, for administrators who run the client
// from elsewhere. install never sets it.
inline constexpr wchar_t kServiceParametersKey[] =
    L"SYSTEM\\CurrentControlSet\\Services\\KorvaneVpn\\Parameters";
inline constexpr wchar_t kAllowAnyLocalClientValue[] = L"AllowAnyLocalClient";

bool anyLocalClientAllowed();

// The folder whose "data" folder the service uses (X for
// X\resources\runtime\korvane_service.exe, otherwise the service's own folder),
// as a final path where the system gives one.
std::wstring installRoot(const runtime::RuntimeLayout& layout);

// The endpoint's check in service mode: none when anyLocalClientAllowed();
// otherwise a caller whose process runs from outside the install root is
// refused, and one whose process cannot be determined is served.
CallerCheck serviceCallerCheck(const runtime::RuntimeLayout& layout);

}  // namespace korvane::service
