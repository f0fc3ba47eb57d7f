#pragma once
// Who may drive the service: in service mode only the programs installed with
// it, unless administrators turned the check off.

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

// The endpoint's check in service mode. Each caller's owner is looked up (the
// endpoint's quota counts connections by it); unless anyLocalClientAllowed(),
// only a caller whose image is trusted (isTrustedImage in caller_decision.h)
// may drive the service. The places it is trusted from are taken in native
// form from the service's own files: the install root (the folder whose
// "data" folder the service uses) and the service's executable here, once;
// the folders of the programs at each check, as the layout finds them, their
// native forms taken again only when it finds another file. While one of
// those cannot be taken, no caller may drive the service.
CallerCheck serviceCallerCheck(const runtime::RuntimeLayout& layout);

}  // namespace korvane::service
