#include "common/poll_until.h"

namespace korvane {

bool pollUntil(Clock& clock, Clock::Duration timeout, Clock::Duration pause,
               const std::function<bool()>& condition) {
    const Clock::TimePoint deadline = clock.now() + timeout;
    for (;;) {
        if (clock.now() >= deadline) {
            return false;
        }
        if (condition()) {
            return true;
        }
        clock.sleep(pause);
    }
}

}  // namespace korvane
