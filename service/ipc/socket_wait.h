#pragma once
// Bounded waits on a socket: the endpoint's sockets are non-blocking, and
// every wait of the endpoint has a limit.

#include <chrono>

#include "common/clock.h"
#include "common/result.h"
#include "platform/handles.h"

namespace korvane::service {

// Waits at most `timeout` (rounded up to whole milliseconds, at least one) for
// one of `events` (POLLRDNORM, POLLWRNORM) on `socket`: true when it is ready,
// or when the peer has reset or closed the connection, so that the next call
// on it reports that. Fails with the system text.
Result<bool> waitForSocket(const platform::UniqueSocket& socket, short events,
                           Clock::Duration timeout);

}  // namespace korvane::service
