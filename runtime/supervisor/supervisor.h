#pragma once
// The runtime's face towards the control service: one handler per route, over
// the two process slots. It keeps no state of its own, and no exception leaves
// a handler: an unexpected fault becomes the handler's failure message.

#include <string>
#include <string_view>

#include "common/result.h"
#include "service/http/handler_set.h"

namespace korvane::runtime {

// Reads the settings, then the server ("Invalid settings payload: ...",
// "Invalid server payload: ..."), brings the VPN up and answers the compact
// StartResult: {"localSocksPort":..,"serverHost":..,"interfaceName":..,"address":..}.
Result<std::string> handleStart(std::string_view settingsJson, std::string_view serverJson);

// Ends sing-box, then naive (always); the sing-box error wins. Also called by
// the service host when the service stops.
Status handleStop();

// The compact HealthStatus: {"healthy":..,"naiveRunning":..,"singBoxRunning":..,"socksReady":..}.
Result<std::string> handleHealth();

// The process-wide handler set that the endpoint serves.
service::HandlerSet& runtimeHandlers();

}  // namespace korvane::runtime
