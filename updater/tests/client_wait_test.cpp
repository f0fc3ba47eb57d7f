#include "updater/client_wait.h"

#include <gtest/gtest.h>

#include <vector>

namespace korvane::updater {
namespace {

using std::chrono::milliseconds;

TEST(OutputMentionsPid, FindsTheDigitsAnywhere) {
    EXPECT_TRUE(outputMentionsPid(
        "\r\napp.exe                       1234 Console    1   8,000 K\r\n", 1234));
    EXPECT_TRUE(outputMentionsPid("other.exe 512345", 1234));  // a plain substring counts
    EXPECT_TRUE(outputMentionsPid("System Idle Process 0 Services", 0));
    EXPECT_FALSE(
        outputMentionsPid("INFO: No tasks are running which match the specified criteria.", 1234));
    EXPECT_FALSE(outputMentionsPid("", 0));
    EXPECT_FALSE(outputMentionsPid("12 34", 1234));
}

TEST(OutputMentionsPid, ReplacesBadBytesWithoutSwallowingDigits) {
    // Octal escapes: they end after three digits, unlike hexadecimal ones.
    EXPECT_TRUE(outputMentionsPid("\3771234\376", 1234));
    // A lead byte whose continuation is a digit is bad on its own.
    EXPECT_TRUE(outputMentionsPid("\3421234", 1234));
    EXPECT_TRUE(outputMentionsPid("\360\2371234", 1234));
    EXPECT_TRUE(outputMentionsPid("caf\303\251 1234", 1234));
    // A bad byte between the digits is no digit.
    EXPECT_FALSE(outputMentionsPid("12\37734", 1234));
    EXPECT_FALSE(outputMentionsPid("12\303", 12345));
}

// A lister that answers from a script and notes when it was asked.
struct ScriptedLister {
    ManualClock& clock;
    std::function<std::optional<std::string>(int call)> answer;
    std::vector<Clock::TimePoint> calls{};
    std::vector<std::uint32_t> pids{};

    ProcessLister lister() {
        return [this](std::uint32_t pid) {
            calls.push_back(clock.now());
            pids.push_back(pid);
            return answer(static_cast<int>(calls.size()));
        };
    }
};

TEST(WaitForClientExit, PollsEvery200MillisecondsUntilThePidIsGone) {
    ManualClock clock;
    const Clock::TimePoint start = clock.now();
    ScriptedLister script{clock, [](int call) -> std::optional<std::string> {
                              return call <= 3 ? "app.exe 4242 Console" : "INFO: No tasks";
                          }};
    waitForClientExit(4242, script.lister(), clock);
    ASSERT_EQ(script.calls.size(), 4u);
    for (std::size_t i = 0; i < script.calls.size(); ++i) {
        EXPECT_EQ(script.calls[i] - start, milliseconds(200) * static_cast<int>(i));
        EXPECT_EQ(script.pids[i], 4242u);
    }
    EXPECT_EQ(clock.now() - start, milliseconds(600));
}

TEST(WaitForClientExit, EndsAtOnceWhenThePidIsAbsentOrTheListerCannotRun) {
    for (const std::optional<std::string>& answer :
         {std::optional<std::string>("INFO: No tasks"), std::optional<std::string>()}) {
        ManualClock clock;
        const Clock::TimePoint start = clock.now();
        ScriptedLister script{clock, [&](int) { return answer; }};
        waitForClientExit(7, script.lister(), clock);
        EXPECT_EQ(script.calls.size(), 1u);
        EXPECT_EQ(clock.now(), start);
    }
}

TEST(WaitForClientExit, GivesUpOnce20WholeSecondsHavePassed) {
    ManualClock clock;
    const Clock::TimePoint start = clock.now();
    ScriptedLister script{clock, [](int) -> std::optional<std::string> { return "app.exe 9"; }};
    waitForClientExit(9, script.lister(), clock);
    // Runs at 0 s, 0.2 s, ... 19.8 s; at 20.0 s the wait is over.
    ASSERT_EQ(script.calls.size(), 100u);
    EXPECT_EQ(script.calls.back() - start, milliseconds(19800));
    EXPECT_EQ(clock.now() - start, milliseconds(20000));
}

TEST(WaitForClientExit, CountsTheListersOwnRunTimeTowardsTheLimit) {
    ManualClock clock;
    const Clock::TimePoint start = clock.now();
    ScriptedLister script{clock, [&](int) -> std::optional<std::string> {
                              clock.advance(milliseconds(1800));
                              return "app.exe 9";
                          }};
    waitForClientExit(9, script.lister(), clock);
    // Each round takes 2 s: the tenth starts at 18 s, the next check sees 20 s.
    EXPECT_EQ(script.calls.size(), 10u);
    EXPECT_EQ(clock.now() - start, milliseconds(20000));
}

}  // namespace
}  // namespace korvane::updater
