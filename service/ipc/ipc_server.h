#pragma once
// The loopback HTTP endpoint through which the desktop client drives the
// service: one request per connection, served one at a time on the calling
// thread.

#include <atomic>
#include <cstdint>
#include <memory>

#include "common/clock.h"
#include "common/result.h"
#include "service/http/handler_set.h"

namespace korvane::service {

// Set by the service control handler; read by the endpoint between connections.
using StopFlag = std::shared_ptr<std::atomic<bool>>;

inline constexpr std::uint16_t kIpcPort = 49190;

// Listens on 127.0.0.1:49190 and serves requests until the stop flag is seen
// set (success) or the listener fails (its message, e.g. "Failed to bind VPN
// service IPC: ..."). A failure while serving one connection never ends it.
// While idle, the flag is seen within 100 ms and a new connection at once.
Status runIpcServer(StopFlag stopFlag, HandlerSet& handlers);

// The same on 127.0.0.1:`port`, with the deadline of each connection (2 s
// from accept) read from `clock`.
Status runIpcServer(StopFlag stopFlag, HandlerSet& handlers, std::uint16_t port, Clock& clock);

}  // namespace korvane::service
