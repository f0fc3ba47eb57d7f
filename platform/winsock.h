#pragma once
// Winsock must be started once per process before any socket call.

#include <winsock2.h>

#include <cstdint>

#include "common/result.h"

namespace korvane::platform {

// Starts Winsock 2.2 on first use; later calls return the first outcome.
Status ensureWinsock();

// 127.0.0.1:`port`, for binding or connecting.
inline sockaddr_in loopbackAddress(std::uint16_t port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = ::htons(port);
    address.sin_addr.s_addr = ::htonl(INADDR_LOOPBACK);
    return address;
}

}  // namespace korvane::platform
