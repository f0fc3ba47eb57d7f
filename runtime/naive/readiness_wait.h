#pragma once
// The bounded sleep-and-poll loop of the readiness checks. Portable: the probe
// is given.

#include <chrono>
#include <functional>

#include "common/clock.h"

namespace korvane::runtime {

// The pause between two probes. Short: a program that was just launched is
// never listening at the first probe, and every pause is time the start waits.
inline constexpr std::chrono::milliseconds kReadinessPause{25};

// Probes at once and then after each pause of kReadinessPause, until a probe
// is true (true) or `limit` has passed before a probe (false). A slow probe
// delays the next look at the deadline, so the wait may exceed `limit` by one
// probe and one pause.
bool waitForReadiness(Clock& clock, Clock::Duration limit, const std::function<bool()>& probe);

}  // namespace korvane::runtime
