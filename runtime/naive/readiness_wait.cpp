#include "runtime/naive/readiness_wait.h"

namespace korvane::runtime {

bool waitForReadiness(Clock& clock, Clock::Duration limit, const std::function<bool()>& probe) {
    const Clock::TimePoint deadline = clock.now() + limit;
    for (;;) {
        if (clock.now() >= deadline) {
            return false;
        }
        if (probe()) {
            return true;
        }
        clock.sleep(kReadinessPause);
    }
}

}  // namespace korvane::runtime
