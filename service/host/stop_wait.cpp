#include "service/host/stop_wait.h"

#include <algorithm>

namespace korvane::service {

StopWaitOutcome waitUntilStopped(const std::function<std::optional<bool>()>& isStopped,
                                 Clock& clock) {
    const Clock::TimePoint deadline = clock.now() + kStopWaitLimit;
    for (;;) {
        const std::optional<bool> stopped = isStopped();
        if (!stopped) {
            return StopWaitOutcome::QueryFailed;
        }
        if (*stopped) {
            return StopWaitOutcome::Stopped;
        }
        const Clock::Duration remaining = deadline - clock.now();
        if (remaining <= Clock::Duration::zero()) {
            return StopWaitOutcome::StillRunning;
        }
        clock.sleep(std::min<Clock::Duration>(remaining, kStopPollInterval));
    }
}

}  // namespace korvane::service
