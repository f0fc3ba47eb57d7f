#pragma once
// Winsock must be started once per process before any socket call.

#include <winsock2.h>

#include <cstdint>

#include "common/result.h"
#include "platform/handles.h"

namespace korvane::platform {

// Starts Winsock 2.2 on first use; later calls return the first outcome.
Status ensureWinsock();

// A socket as ::socket makes it (overlapped, so that time-outs work) but not
// inheritable, so that no child started meanwhile keeps its port open. Null
// when Winsock does not start or the socket cannot be made.
UniqueSocket newSocket(int family = AF_INET, int type = SOCK_STREAM, int protocol = IPPROTO_TCP);

// 127.0.0.1:`port`, for binding or connecting.
inline sockaddr_in loopbackAddress(std::uint16_t port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = ::htons(port);
    address.sin_addr.s_addr = ::htonl(INADDR_LOOPBACK);
    return address;
}

}  // namespace korvane::platform
