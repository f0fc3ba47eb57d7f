#include "common/clock.h"

#include <thread>

namespace korvane {
namespace {

class SystemClock final : public Clock {
  public:
    TimePoint now() override { return std::chrono::steady_clock::now(); }
    void sleep(Duration duration) override { std::this_thread::sleep_for(duration); }
};

}  // namespace

Clock& systemClock() {
    static SystemClock clock;
    return clock;
}

}  // namespace korvane
