#pragma once
// One accepted connection, driven by the endpoint's event loop: it receives
// the request, waits while the handler thread serves it, writes the answer
// and closes. Nothing here blocks: the socket is non-blocking (as accepted
// from the listener) and the loop calls in when it is ready or a deadline
// has passed.

#include <cstddef>
#include <optional>
#include <string>

#include "common/clock.h"
#include "platform/handles.h"
#include "service/http/request_completeness.h"

namespace korvane::service {

// The most one request may hold. The buffer grows with what arrives, so an
// idle connection holds none of it.
inline constexpr std::size_t kMaxRequestSize = 262'144;

// The time a client has to send its request, and the time it has to take the
// answer (from when the answer is ready).
inline constexpr auto kReceiveDeadline = std::chrono::seconds(2);
inline constexpr auto kSendDeadline = std::chrono::seconds(2);

class Connection {
  public:
    Connection(platform::UniqueSocket socket, Clock::TimePoint accepted);

    const platform::UniqueSocket& socket() const { return socket_; }

    // What to poll for: POLLRDNORM while receiving, POLLWRNORM while output
    // is pending; none while the request waits for its handler.
    short wantedEvents() const;

    // When onDeadline is due: while receiving or sending; none while the
    // request waits, since nothing could serve it sooner.
    std::optional<Clock::TimePoint> deadline() const;

    // The socket is ready (or in error): receives what has arrived, sends what
    // is pending.
    void onReady(Clock::TimePoint now);

    // The deadline has passed. A request of which nothing arrived is answered
    // with the system's timeout text; a partial one is served as it is; an
    // answer the client would not take is dropped and the connection closed.
    void onDeadline(Clock::TimePoint now);

    // The request is complete (its head and announced body are in, the buffer
    // is full, or the client has finished sending or run out of time), to be
    // handed to the handlers once.
    bool hasRequest() const { return phase_ == Phase::Complete; }
    std::string takeRequest();

    // Sends `response` (after what is pending), then closes. An empty
    // response closes at once.
    void answer(std::string response, Clock::TimePoint now);

    // Done with: the loop drops it, which closes the socket.
    bool closed() const { return phase_ == Phase::Closed; }

  private:
    enum class Phase { Receiving, Complete, Waiting, Sending, Closed };

    void receive(Clock::TimePoint now);
    void send();

    platform::UniqueSocket socket_;
    Phase phase_ = Phase::Receiving;
    Clock::TimePoint deadline_;
    std::string received_;
    std::optional<RequestHead> head_;
    std::string output_;
    std::size_t sent_ = 0;
};

}  // namespace korvane::service
