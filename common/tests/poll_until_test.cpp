#include "common/poll_until.h"

#include <gtest/gtest.h>

namespace korvane {
namespace {

using namespace std::chrono_literals;

TEST(PollUntil, ChecksAtOnceAndStopsAtTheFirstSuccess) {
    ManualClock clock;
    const auto start = clock.now();
    int checks = 0;
    EXPECT_TRUE(pollUntil(clock, 2s, 250ms, [&] { return ++checks == 3; }));
    EXPECT_EQ(checks, 3);
    EXPECT_EQ(clock.now() - start, 500ms);
}

TEST(PollUntil, GivesUpAtTheDeadlineAfterEveryPause) {
    ManualClock clock;
    const auto start = clock.now();
    int checks = 0;
    EXPECT_FALSE(pollUntil(clock, 2s, 250ms, [&] {
        ++checks;
        return false;
    }));
    EXPECT_EQ(checks, 8);  // at 0, 250, ..., 1750 ms
    EXPECT_EQ(clock.now() - start, 2s);
}

TEST(PollUntil, ASlowCheckDelaysTheNextLookAtTheDeadline) {
    ManualClock clock;
    const auto start = clock.now();
    int checks = 0;
    EXPECT_FALSE(pollUntil(clock, 1s, 250ms, [&] {
        ++checks;
        clock.advance(700ms);  // a probe that runs into its time-outs
        return false;
    }));
    EXPECT_EQ(checks, 2);
    EXPECT_EQ(clock.now() - start, 1900ms);
}

}  // namespace
}  // namespace korvane
