#pragma once
// Loopback sockets of the Wine tests: ports, listeners and a raw TCP client.
// Sockets close abortively (SO_LINGER 0) where the test talks over them, so
// that no connection lingers in TIME_WAIT, which under Wine would keep the
// next listener from binding the port.

#include <winsock2.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/handles.h"

namespace korvane::test {

// A socket listening on 127.0.0.1:`port` (0: a free port), or null when the
// port is taken.
platform::UniqueSocket occupyLoopbackPort(std::uint16_t port);

// The port a socket is bound to.
std::uint16_t localPort(SOCKET socket);

// A loopback port that nothing listened on a moment ago.
std::uint16_t freeLoopbackPort();

// Closes with a reset.
void closeAbortively(platform::UniqueSocket& socket);

// A listener on a free port that takes connections like a reachable server
// (it never accepts them).
class LoopbackListener {
  public:
    LoopbackListener();
    std::uint16_t port() const { return port_; }

  private:
    platform::UniqueSocket socket_;
    std::uint16_t port_ = 0;
};

class LoopbackClient {
  public:
    // Connects to 127.0.0.1:`port`, retrying for a while when the listener is
    // not up yet; connected() tells whether it worked.
    explicit LoopbackClient(std::uint16_t port);
    LoopbackClient(const LoopbackClient&) = delete;
    LoopbackClient& operator=(const LoopbackClient&) = delete;

    bool connected() const { return static_cast<bool>(socket_); }

    // Sends all of `bytes`; false when the connection failed.
    bool send(std::string_view bytes);
    // Tells the endpoint that nothing more will come (a half-close).
    void finishSending();
    // Everything the endpoint sends until it closes (or 10 s pass).
    std::string readAll();
    // Closes at once, with a reset.
    void abort();

  private:
    platform::UniqueSocket socket_;
};

}  // namespace korvane::test
