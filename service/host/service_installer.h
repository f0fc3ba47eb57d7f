#pragma once
// Registering korvane_service.exe as the automatically started service
// "KorvaneVpn", and removing it again.

#include "common/clock.h"
#include "common/result.h"

namespace korvane::service {

// Registers "korvane_service.exe" from the running executable's folder with
// the argument "run" (or refreshes an existing registration), sets its
// recovery actions and description, registers it as the event source
// "KorvaneVpn" (event_source.h), and starts it; a failed start is ignored.
Status installService();

enum class UninstallOutcome {
    Removed,
    // Deleted, but the Service Control Manager keeps the registration until
    // the service has stopped and every handle to it is closed (an open
    // Services console holds one).
    MarkedForDeletion,
};

// Asks the service to stop, waits on `clock` until it reports STOPPED (at
// most 30 s, stop_wait.h), deletes it and removes the event source. Fails with
// "IO error in winapi call" when the service is not installed or cannot be
// opened or deleted.
Result<UninstallOutcome> uninstallService(Clock& clock);

// The line that uninstall prints for a service marked for deletion.
inline constexpr char kMarkedForDeletionNote[] =
    "KorvaneVpn is marked for deletion: it stays registered until it has stopped and the last "
    "handle to it (for example an open Services console) is closed.";

}  // namespace korvane::service
