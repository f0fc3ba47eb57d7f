#pragma once
// Registering korvane_service.exe as the automatically started service
// "KorvaneVpn", and removing it again.

#include "common/clock.h"
#include "common/result.h"

namespace korvane::service {

// Registers "korvane_service.exe" from the running executable's folder with
// the argument "run" (or refreshes an existing registration), sets its
// recovery actions and description, and starts it; a failed start is
// ignored.
Status installService();

// Asks the service to stop, waits half a second on `clock`, then deletes it.
Status uninstallService(Clock& clock);

}  // namespace korvane::service
