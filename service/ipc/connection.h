#pragma once
// One accepted connection, driven by the endpoint's event loop: it receives
// the request, hands it to the handler thread (which answers it), sends what
// of the answer the socket did not take at once, and closes. Nothing here
// blocks: the socket is non-blocking (as accepted from the listener) and the
// loop calls in when it is ready or a deadline has passed.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

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

// Sends what `socket` takes of `data` without waiting: the number of bytes
// sent, or none when the connection failed (a client that has gone away).
std::optional<std::size_t> sendWithoutWaiting(const platform::UniqueSocket& socket,
                                              std::string_view data);

class Connection {
  public:
    Connection(platform::UniqueSocket socket, Clock::TimePoint accepted);

    // What to poll for: POLLRDNORM while receiving, POLLWRNORM while output
    // is pending; none while the request is with the handler thread.
    short wantedEvents() const;
    SOCKET socket() const { return socket_.get(); }

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
    // handed to the handler thread once.
    bool hasRequest() const { return phase_ == Phase::Complete; }

    // Its request is not complete yet.
    bool receiving() const { return phase_ == Phase::Receiving; }

    // What the handler thread takes: the request, the socket, and output not
    // yet sent (an interim answer the socket did not take), which must go
    // before the answer. The connection waits until finish().
    struct Handover {
        std::string request;
        platform::UniqueSocket socket;
        std::string unsent;
    };
    Handover takeRequest();

    // The handler thread is done with it: either it sent the whole answer and
    // closed the socket (`socket` empty), or the socket comes back with the
    // rest of the answer, to be sent within the send deadline.
    void finish(platform::UniqueSocket socket, std::string unsent, Clock::TimePoint now);

    // Done with: the loop drops it.
    bool closed() const { return phase_ == Phase::Closed; }

  private:
    enum class Phase { Receiving, Complete, Waiting, Sending, Closed };

    void receive(Clock::TimePoint now);
    void answer(std::string response, Clock::TimePoint now);
    void send();
    void close();

    platform::UniqueSocket socket_;
    Phase phase_ = Phase::Receiving;
    Clock::TimePoint deadline_;
    std::string received_;
    std::optional<RequestHead> head_;
    std::string output_;
    std::size_t sent_ = 0;
};

}  // namespace korvane::service
