#include "runtime/supervisor/restart_policy.h"

#include <gtest/gtest.h>

namespace korvane::runtime {
namespace {

using namespace std::chrono_literals;

void expectRestart(std::optional<RestartPolicy::Restart> restart, int attempt,
                   Clock::Duration delay) {
    ASSERT_TRUE(restart);
    EXPECT_EQ(restart->attempt, attempt);
    EXPECT_EQ(restart->delay, delay);
}

TEST(RestartPolicy, ThreeRestartsWithDoublingPausesThenNoneWithinTheWindow) {
    ManualClock clock;
    RestartPolicy policy;
    expectRestart(policy.next(clock.now()), 1, 1s);
    clock.advance(5s);
    expectRestart(policy.next(clock.now()), 2, 2s);
    clock.advance(5s);
    expectRestart(policy.next(clock.now()), 3, 4s);
    clock.advance(50s);  // 59 s after the first restart, made at 1 s
    EXPECT_FALSE(policy.next(clock.now()));
    clock.advance(1s);  // the first is 60 s old: one attempt is free again
    expectRestart(policy.next(clock.now()), 3, 4s);
    EXPECT_FALSE(policy.next(clock.now()));
}

TEST(RestartPolicy, QuietMinuteOrNewStartBeginsAgainAtTheFirstAttempt) {
    ManualClock clock;
    RestartPolicy policy;
    for (int i = 0; i < RestartPolicy::kLimit; ++i) {
        ASSERT_TRUE(policy.next(clock.now()));
    }
    clock.advance(64s);  // the last was made at 4 s
    expectRestart(policy.next(clock.now()), 1, 1s);

    policy.reset();
    expectRestart(policy.next(clock.now()), 1, 1s);
}

}  // namespace
}  // namespace korvane::runtime
