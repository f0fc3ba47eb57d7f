#pragma once
// A raw TCP client for the endpoint tests. It closes abortively (SO_LINGER 0)
// so that no connection lingers in TIME_WAIT, which under Wine would keep the
// next listener from binding the port.

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/handles.h"

namespace korvane::service::testing {

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

// A loopback port that was free a moment ago.
std::uint16_t freeLoopbackPort();

// A socket listening on 127.0.0.1:`port` (to make the port taken).
platform::UniqueSocket occupyLoopbackPort(std::uint16_t port);

}  // namespace korvane::service::testing
