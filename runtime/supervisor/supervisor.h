#pragma once
// The runtime's face towards the control service: one plain function per
// route, over the two process slots; the service plugs them into its endpoint.
// While a VPN is meant to be up (from a start that succeeded until a stop, the
// next start or the service's stop), the watcher (watcher.h) restarts a program
// that exits and ends the VPN when that fails; what it keeps is all the state
// there is. No exception leaves a handler: an unexpected fault becomes the
// handler's failure message.

#include <string>
#include <string_view>

#include "common/clock.h"
#include "common/result.h"
#include "runtime/process/runtime_layout.h"

namespace korvane::runtime {

// Reads the settings, then the server ("Invalid settings payload: ...",
// "Invalid server payload: ..."), brings the VPN up and answers the compact
// StartResult: {"localSocksPort":..,"serverHost":..,"interfaceName":..,"address":..}.
// Past the payloads it cancels the watching and any pending restart, and runs
// while no restart does. On success the new VPN is watched, its restarts paced
// by `restartClock`, which must outlive the process's watcher; a start that
// failed leaves the VPN it found watched when any of its programs still runs.
Result<std::string> handleStart(const RuntimeLayout& layout, std::string_view settingsJson,
                                std::string_view serverJson, Clock& restartClock = systemClock());

// Cancels the watching and any pending restart, then ends sing-box, then
// naive (always); the sing-box error wins. Never waits for a start or a
// restart in progress: it is also called from the service control handler's
// thread while a start may run.
Status handleStop();

// The service's last stop, once its endpoint has ended: ends the watcher's
// thread (after a restart in progress has ended what it launched), then
// handleStop. Nothing is watched or restarted after it.
Status handleServiceStop();

// The compact HealthStatus: {"healthy":..,"naiveRunning":..,"singBoxRunning":..,"socksReady":..}.
Result<std::string> handleHealth();

}  // namespace korvane::runtime
