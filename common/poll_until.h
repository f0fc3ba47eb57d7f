#pragma once
// The bounded wait of the runners: check at once, then after each pause, until
// the condition holds or the deadline has passed.

#include <functional>

#include "common/clock.h"

namespace korvane {

// Deadline = now + timeout. Each round: past the deadline -> false; condition
// true -> true; otherwise sleep `pause`. A slow check delays the next look at
// the deadline, so the wait may overrun by one check and one pause.
bool pollUntil(Clock& clock, Clock::Duration timeout, Clock::Duration pause,
               const std::function<bool()>& condition);

}  // namespace korvane
