#pragma once
// Serving one accepted connection: receive the request, hand it to the
// handlers, write the response, close.

#include "common/clock.h"
#include "platform/handles.h"
#include "service/http/handler_set.h"

namespace korvane::service {

// Receives into one 262,144-byte buffer until the request is complete (see
// request_completeness.h), the buffer is full, the peer has finished sending,
// or 2 seconds have passed since `clock` was first read here; then serves what
// arrived. A connection on which nothing arrives in time is answered with the
// system's timeout text. Every outcome is answered with exactly one response;
// failures to write it are ignored. Closes the connection plainly.
void serveConnection(platform::UniqueSocket connection, HandlerSet& handlers, Clock& clock);

}  // namespace korvane::service
