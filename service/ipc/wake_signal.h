#pragma once
// How the handler thread ends the event loop's wait in WSAPoll, which watches
// sockets only: a UDP socket on loopback connected to itself, made readable by
// a datagram sent to itself.

#include "common/result.h"
#include "platform/handles.h"

namespace korvane::service {

class WakeSignal {
  public:
    // A non-blocking, non-inheritable socket on 127.0.0.1 with a port the
    // system picks. Fails with "Failed to bind VPN service IPC: " + the system
    // text.
    static Result<WakeSignal> open();

    // Makes the socket readable; safe from any thread. A datagram that the
    // system drops is no loss: the socket is readable already then.
    void raise() const noexcept;

    // Reads every datagram raised so far.
    void clear() const noexcept;

    const platform::UniqueSocket& socket() const { return socket_; }

  private:
    explicit WakeSignal(platform::UniqueSocket socket) : socket_(std::move(socket)) {}

    platform::UniqueSocket socket_;
};

}  // namespace korvane::service
