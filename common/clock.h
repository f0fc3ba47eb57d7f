#pragma once
// The seam through which the waits that poll (readiness checks, deadlines,
// the pauses before a restart, the updater's and the uninstall's waits) read
// the time and sleep, so that tests can run their logic in milliseconds. A
// wait on a kernel object, such as a process's end, uses the system's own
// time-out instead.

#include <chrono>

namespace korvane {

class Clock {
  public:
    using Duration = std::chrono::steady_clock::duration;
    using TimePoint = std::chrono::steady_clock::time_point;

    virtual ~Clock() = default;
    virtual TimePoint now() = 0;
    virtual void sleep(Duration duration) = 0;
};

// The monotonic clock and a real sleep.
Clock& systemClock();

// A clock whose time moves only when someone sleeps on it (or advance() is
// called): a wait of seconds runs in no time.
class ManualClock final : public Clock {
  public:
    TimePoint now() override { return now_; }
    void sleep(Duration duration) override { now_ += duration; }
    void advance(Duration duration) { now_ += duration; }

  private:
    TimePoint now_{};
};

}  // namespace korvane
