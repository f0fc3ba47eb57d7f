#pragma once
// The loopback HTTP endpoint through which the desktop client drives the
// service: one request per connection, served one at a time on the calling
// thread.

#include <atomic>
#include <memory>

#include "common/result.h"
#include "service/http/handler_set.h"

namespace korvane::service {

// Set by the service control handler; read by the endpoint between connections.
using StopFlag = std::shared_ptr<std::atomic<bool>>;

// Listens on 127.0.0.1:49190 and serves requests until the stop flag is seen
// set (success) or the listener fails (its message, e.g. "Failed to bind VPN
// service IPC: ..."). A failure while serving one connection never ends it.
Status runIpcServer(StopFlag stopFlag, HandlerSet& handlers);

}  // namespace korvane::service
