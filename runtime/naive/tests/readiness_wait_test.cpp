#include "runtime/naive/readiness_wait.h"

#include <gtest/gtest.h>

#include <vector>

namespace korvane::runtime {
namespace {

using namespace std::chrono_literals;

// Records when each probe ran, relative to the start of the wait.
struct ProbeLog {
    explicit ProbeLog(ManualClock& clock) : clock(clock), start(clock.now()) {}

    std::function<bool()> probe(int readyFromProbe, Clock::Duration cost = 0ms) {
        return [this, readyFromProbe, cost] {
            times.push_back(clock.now() - start);
            clock.advance(cost);
            return static_cast<int>(times.size()) >= readyFromProbe;
        };
    }

    ManualClock& clock;
    Clock::TimePoint start;
    std::vector<Clock::Duration> times;
};

TEST(WaitForReadiness, FirstProbeAtOnceAndNoPauseWhenReady) {
    ManualClock clock;
    ProbeLog log(clock);
    EXPECT_TRUE(waitForReadiness(clock, 5s, log.probe(1)));
    EXPECT_EQ(log.times, std::vector<Clock::Duration>{0ms});
    EXPECT_EQ(clock.now() - log.start, 0ms);
}

TEST(WaitForReadiness, ProbesEveryPauseUntilReady) {
    ManualClock clock;
    ProbeLog log(clock);
    EXPECT_TRUE(waitForReadiness(clock, 5s, log.probe(3)));
    EXPECT_EQ(log.times, (std::vector<Clock::Duration>{0ms, 250ms, 500ms}));
}

TEST(WaitForReadiness, GivesUpAtTheDeadlineAfterTwentyProbes) {
    ManualClock clock;
    ProbeLog log(clock);
    EXPECT_FALSE(waitForReadiness(clock, 5s, log.probe(1000)));
    ASSERT_EQ(log.times.size(), 20u);
    EXPECT_EQ(log.times.back(), 4750ms);
    EXPECT_EQ(clock.now() - log.start, 5s);
}

TEST(WaitForReadiness, SlowProbesDelayTheDeadlineCheck) {
    ManualClock clock;
    ProbeLog log(clock);
    // Each probe runs into its 700 ms time-outs: probes at 0, 950, 1900.
    EXPECT_FALSE(waitForReadiness(clock, 2s, log.probe(1000, 700ms)));
    EXPECT_EQ(log.times, (std::vector<Clock::Duration>{0ms, 950ms, 1900ms}));
    EXPECT_EQ(clock.now() - log.start, 2850ms);
}

TEST(WaitForReadiness, ZeroLimitNeverProbes) {
    ManualClock clock;
    ProbeLog log(clock);
    EXPECT_FALSE(waitForReadiness(clock, 0s, log.probe(1)));
    EXPECT_TRUE(log.times.empty());
}

}  // namespace
}  // namespace korvane::runtime
