#pragma once
// The runtime's face towards the control service: one plain function per
// route, over the two process slots; the service plugs them into its endpoint.
// They keep no state of their own, and no exception leaves a handler: an
// unexpected fault becomes the handler's failure message.

#include <string>
#include <string_view>

#include "common/result.h"
#include "runtime/process/runtime_layout.h"

namespace korvane::runtime {

// Reads the settings, then the server ("Invalid settings payload: ...",
// "Invalid server payload: ..."), brings the VPN up and answers the compact
// StartResult: {"localSocksPort":..,"serverHost":..,"interfaceName":..,"address":..}.
Result<std::string> handleStart(const RuntimeLayout& layout, std::string_view settingsJson,
                                std::string_view serverJson);

// Ends sing-box, then naive (always); the sing-box error wins. Also called by
// the service host when the service stops.
Status handleStop();

// The compact HealthStatus: {"healthy":..,"naiveRunning":..,"singBoxRunning":..,"socksReady":..}.
Result<std::string> handleHealth();

}  // namespace korvane::runtime
