#pragma once
// How often one program is restarted after it exited: at most kLimit restarts
// within any kWindow, after a pause that doubles from 1 s. Portable: the time
// is given.

#include <array>
#include <chrono>
#include <cstddef>
#include <optional>

#include "common/clock.h"

namespace korvane::runtime {

class RestartPolicy {
  public:
    static constexpr int kLimit = 3;
    static constexpr std::chrono::seconds kWindow{60};

    struct Restart {
        int attempt = 0;          // 1 to kLimit
        Clock::Duration delay{};  // 1 s, 2 s, 4 s for the attempts 1, 2, 3
    };

    // The restart of a program that exited at `now`, counted from then on as
    // made at now + delay; none when kLimit restarts fall within the kWindow
    // before `now`. N.B. counting at the exit rather than at the restart
    // counts at least as many, so no kWindow ever holds more than kLimit.
    std::optional<Restart> next(Clock::TimePoint now);

    // Forgets every restart (a new start).
    void reset();

  private:
    std::array<Clock::TimePoint, kLimit> made_{};  // the first `count_` are set
    std::size_t count_ = 0;
};

}  // namespace korvane::runtime
