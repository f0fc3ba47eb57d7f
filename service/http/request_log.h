#pragma once
// What the service log keeps of the requests: each failed start, each stop
// with its outcome, and a count of the health requests, which the client sends every
// few seconds and which would bury everything else.

#include <cstdint>
#include <string>

#include "common/result.h"

namespace korvane::service {

// "Start failed: <the message answered>". Neither the request body nor
// anything from it is logged. (The runtime logs a start that succeeded, with
// the interface and address it answered.)
void logStartFailure(const std::string& message);

// "Stop succeeded" or "Stop failed: <the message answered>".
void logStopOutcome(const Status& outcome);

void countHealthRequest();

// The health requests routed since the process started.
std::uint64_t healthRequestCount();

}  // namespace korvane::service
