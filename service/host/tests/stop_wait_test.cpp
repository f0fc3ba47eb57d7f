#include "service/host/stop_wait.h"

#include <gtest/gtest.h>

namespace korvane::service {
namespace {

using namespace std::chrono_literals;

// Answers "running" `runningAnswers` times, then `last`; counts the questions.
struct ScriptedService {
    int runningAnswers = 0;
    std::optional<bool> last = true;
    int asked = 0;

    std::optional<bool> operator()() {
        ++asked;
        return asked <= runningAnswers ? std::optional<bool>(false) : last;
    }
};

TEST(StopWait, AStoppedServiceIsSeenAtOnceAndAStoppingOneAtTheNextPoll) {
    ManualClock clock;
    const auto start = clock.now();
    ScriptedService stopped;
    EXPECT_EQ(waitUntilStopped(std::ref(stopped), clock), StopWaitOutcome::Stopped);
    EXPECT_EQ(stopped.asked, 1);
    EXPECT_EQ(clock.now(), start);

    ScriptedService stopping{.runningAnswers = 3};
    EXPECT_EQ(waitUntilStopped(std::ref(stopping), clock), StopWaitOutcome::Stopped);
    EXPECT_EQ(stopping.asked, 4);
    EXPECT_EQ(clock.now() - start, 3 * kStopPollInterval);
}

TEST(StopWait, GivesUpAfterThirtySecondsAskingOnceMoreAtTheLimit) {
    ManualClock clock;
    const auto start = clock.now();
    ScriptedService stuck{.runningAnswers = 1'000'000};
    EXPECT_EQ(waitUntilStopped(std::ref(stuck), clock), StopWaitOutcome::StillRunning);
    EXPECT_EQ(clock.now() - start, 30s);
    EXPECT_EQ(stuck.asked, 30s / kStopPollInterval + 1);
}

TEST(StopWait, AFailedQueryEndsTheWait) {
    ManualClock clock;
    ScriptedService unknown{.runningAnswers = 2, .last = std::nullopt};
    EXPECT_EQ(waitUntilStopped(std::ref(unknown), clock), StopWaitOutcome::QueryFailed);
    EXPECT_EQ(unknown.asked, 3);
}

}  // namespace
}  // namespace korvane::service
