#pragma once
// The service's description is set through the platform's own service tool.

#include "common/result.h"

namespace korvane::service {

// Runs `sc.exe description KorvaneVpn "<description>"` with the caller's
// standard streams and waits for it. Fails with the launch error's text, or
// "Failed to set service description: exit code: N" when it exits non-zero.
Status setServiceDescription();

}  // namespace korvane::service
