#include "runtime/supervisor/restart_policy.h"

#include <algorithm>

namespace korvane::runtime {

std::optional<RestartPolicy::Restart> RestartPolicy::next(Clock::TimePoint now) {
    const auto expired =
        std::remove_if(made_.begin(), made_.begin() + count_,
                       [&](Clock::TimePoint made) { return made <= now - kWindow; });
    count_ = static_cast<std::size_t>(expired - made_.begin());
    if (count_ == kLimit) {
        return std::nullopt;
    }
    const Clock::Duration delay = std::chrono::seconds(1 << count_);
    made_[count_++] = now + delay;
    return Restart{static_cast<int>(count_), delay};
}

void RestartPolicy::reset() {
    count_ = 0;
}

}  // namespace korvane::runtime
