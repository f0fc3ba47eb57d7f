#pragma once
// Winsock must be started once per process before any socket call.

#include "common/result.h"

namespace korvane::platform {

// Starts Winsock 2.2 on first use; later calls return the first outcome.
Status ensureWinsock();

}  // namespace korvane::platform
