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
    EXPECT_EQ(log.times, (std::vector<Clock::Duration>{0ms, 25ms, 50ms}));
}

TEST(WaitForReadiness, GivesUpAtTheDeadlineAfterTwoHundredProbes) {
    ManualClock clock;
    ProbeLog log(clock);
    EXPECT_FALSE(waitForReadiness(clock, 5s, log.probe(1000)));
    ASSERT_EQ(log.times.size(), 200u);
    EXPECT_EQ(log.times.back(), 4975ms);
    EXPECT_EQ(clock.now() - log.start, 5s);
}

TEST(WaitForReadiness, SlowProbesDelayTheDeadlineCheck) {
    ManualClock clock;
    ProbeLog log(clock);
    // Each probe runs into its 700 ms time-outs: probes at 0, 725, 1450.
    EXPECT_FALSE(waitForReadiness(clock, 2s, log.probe(1000, 700ms)));
    EXPECT_EQ(log.times, (std::vector<Clock::Duration>{0ms, 725ms, 1450ms}));
    EXPECT_EQ(clock.now() - log.start, 2175ms);
}

TEST(WaitForReadiness, ZeroLimitNeverProbes) {
    ManualClock clock;
    ProbeLog log(clock);
    EXPECT_FALSE(waitForReadiness(clock, 0s, log.probe(1)));
    EXPECT_TRUE(log.times.empty());
}

}  // namespace
}  // namespace korvane::runtime
