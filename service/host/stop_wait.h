#pragma once
// Waiting for a stopped service before deleting it: a service that is still
// running when it is deleted stays registered until it stops.

#include <chrono>
#include <functional>
#include <optional>

#include "common/clock.h"

namespace korvane::service {

inline constexpr auto kStopWaitLimit = std::chrono::seconds(30);
inline constexpr auto kStopPollInterval = std::chrono::milliseconds(200);

enum class StopWaitOutcome {
    Stopped,       // isStopped said so within the limit
    StillRunning,  // the limit passed first
    QueryFailed,   // isStopped could not tell
};

// Asks `isStopped` at once and then every kStopPollInterval on `clock` until
// it answers true, answers nothing (the query failed), or kStopWaitLimit has
// passed since the first question.
StopWaitOutcome waitUntilStopped(const std::function<std::optional<bool>()>& isStopped,
                                 Clock& clock);

}  // namespace korvane::service
