#pragma once
// Serving one accepted connection: receive the request, hand it to the
// handlers, write the response, close.

#include <cstddef>
#include <span>

#include "common/clock.h"
#include "platform/handles.h"
#include "service/http/handler_set.h"

namespace korvane::service {

// The most one request may hold.
inline constexpr std::size_t kReceiveBufferSize = 262'144;

// Receives into `buffer` (kReceiveBufferSize bytes) until the request is complete (see
// request_completeness.h), the buffer is full, the peer has finished sending,
// or 2 seconds have passed since `clock` was first read here; then serves what
// arrived. A connection on which nothing arrives in time is answered with the
// system's timeout text. Every outcome is answered with exactly one response;
// failures to write it (or a client that reads nothing for 2 seconds) end the
// writing silently. Closes the connection plainly. `connection` is
// non-blocking, as accepted from the listener: every wait is a bounded poll.
// The buffer is reused from connection to connection: allocating it for each
// one costs, under Wine, half as much as the whole exchange.
void serveConnection(platform::UniqueSocket connection, std::span<char> buffer,
                     HandlerSet& handlers, Clock& clock);

}  // namespace korvane::service
