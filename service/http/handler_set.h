#pragma once
// The three operations behind the endpoint's routes. The runtime supervisor
// provides the real set. The endpoint calls them one at a time on its handler
// thread; the service host also calls the runtime's stop from the service
// control handler's thread when the service stops.

#include <string>
#include <string_view>

#include "common/result.h"

namespace korvane::service {

class HandlerSet {
  public:
    virtual ~HandlerSet() = default;

    // POST /start: the compact JSON texts of the request's "settings" and
    // "server" members, in that order. Success: the 200 body (StartResult).
    virtual Result<std::string> handleStart(std::string_view settingsJson,
                                            std::string_view serverJson) = 0;

    // POST /stop. Success makes the endpoint answer "{}".
    virtual Status handleStop() = 0;

    // GET /health. Success: the 200 body (HealthStatus).
    virtual Result<std::string> handleHealth() = 0;
};

}  // namespace korvane::service
