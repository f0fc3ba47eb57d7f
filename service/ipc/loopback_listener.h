#pragma once
// The endpoint's listening socket.

#include <cstdint>
#include <string>

#include "common/result.h"
#include "platform/handles.h"

namespace korvane::service {

// A non-blocking, non-inheritable TCP listener on 127.0.0.1:`port` with a
// backlog of 128; the connections it accepts are non-blocking too. Fails with "Failed to bind VPN
// service IPC: " + the system text when the socket cannot be created, bound or set listening, and
// with the bare system text when it cannot be made non-blocking.
Result<platform::UniqueSocket> listenOnLoopback(std::uint16_t port);

// "Failed to bind VPN service IPC: " + `cause`: how every failure to set up
// one of the endpoint's sockets reads.
std::string ipcBindFailure(const std::string& cause);

}  // namespace korvane::service
