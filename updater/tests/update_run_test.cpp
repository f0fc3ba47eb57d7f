#include "updater/update_run.h"

#include <gtest/gtest.h>

#include <vector>

#include "common/text.h"

namespace korvane::updater {
namespace {

std::string utf8(const std::wstring& text) {
    return encodeUtf8(std::u32string(text.begin(), text.end()));
}

// Steps that note what was asked of them, in order, and answer as told.
struct RecordingSteps {
    std::vector<std::string> events;
    std::optional<std::string> listerOutput = "INFO: No tasks";
    Status replaceOutcome;
    Status launchOutcome;

    UpdateSteps steps() {
        return {
            [this](std::uint32_t pid) {
                events.push_back("list " + std::to_string(pid));
                return listerOutput;
            },
            [this](const std::wstring& source, const std::wstring& target) {
                events.push_back("replace " + utf8(source) + " " + utf8(target));
                return replaceOutcome;
            },
            [this](const std::wstring& program) {
                events.push_back("launch " + utf8(program));
                return launchOutcome;
            },
        };
    }
};

const std::vector<std::wstring> kComplete{L"--pid",    L"+42",     L"--source", L"new.exe",
                                          L"--target", L"app.exe", L"--launch", L"app.exe"};

TEST(RunUpdate, WaitsThenReplacesThenLaunches) {
    RecordingSteps recorder;
    ManualClock clock;
    EXPECT_TRUE(runUpdate(kComplete, recorder.steps(), clock).has_value());
    EXPECT_EQ(recorder.events,
              (std::vector<std::string>{"list 42", "replace new.exe app.exe", "launch app.exe"}));
}

TEST(RunUpdate, AMissingArgumentIsTheOnlyThingThatHappens) {
    const std::vector<std::pair<std::vector<std::wstring>, std::string>> cases{
        {{}, "Missing updater pid argument"},
        {{L"--source", L"s", L"--target", L"t", L"--launch", L"l"}, "Missing updater pid argument"},
        {{L"--pid", L"abc", L"--source", L"s", L"--target", L"t", L"--launch", L"l"},
         "Missing updater pid argument"},
        {{L"--pid", L"1", L"--target", L"t"}, "Missing updater source argument"},
        {{L"--pid", L"1", L"--source", L"s", L"--launch", L"l"}, "Missing updater target argument"},
        {{L"--pid", L"1", L"--source", L"s", L"--target", L"t", L"--launch"},
         "Missing updater launch argument"},
    };
    for (const auto& [arguments, message] : cases) {
        RecordingSteps recorder;
        ManualClock clock;
        const Status outcome = runUpdate(arguments, recorder.steps(), clock);
        ASSERT_FALSE(outcome.has_value()) << message;
        EXPECT_EQ(outcome.error(), message);
        EXPECT_TRUE(recorder.events.empty()) << message;
    }
}

TEST(RunUpdate, ACopyFailureStartsNothing) {
    RecordingSteps recorder;
    recorder.replaceOutcome = fail("Access is denied. (os error 5)");
    ManualClock clock;
    const Status outcome = runUpdate(kComplete, recorder.steps(), clock);
    ASSERT_FALSE(outcome.has_value());
    EXPECT_EQ(outcome.error(),
              "Failed to replace application executable: Access is denied. (os error 5)");
    EXPECT_EQ(recorder.events, (std::vector<std::string>{"list 42", "replace new.exe app.exe"}));
}

TEST(RunUpdate, ALaunchFailureIsReportedAfterTheReplacement) {
    RecordingSteps recorder;
    recorder.launchOutcome = fail("The system cannot find the file specified. (os error 2)");
    ManualClock clock;
    const Status outcome = runUpdate(kComplete, recorder.steps(), clock);
    ASSERT_FALSE(outcome.has_value());
    EXPECT_EQ(outcome.error(),
              "Failed to restart application: The system cannot find the file specified. (os "
              "error 2)");
    EXPECT_EQ(recorder.events.size(), 3u);
}

TEST(RunUpdate, CopiesEvenWhenTheWaitEndsWithoutTheClientGone) {
    for (const std::optional<std::string>& output :
         {std::optional<std::string>("app.exe 42"), std::optional<std::string>()}) {
        RecordingSteps recorder;
        recorder.listerOutput = output;
        ManualClock clock;
        const Clock::TimePoint start = clock.now();
        EXPECT_TRUE(runUpdate(kComplete, recorder.steps(), clock).has_value());
        EXPECT_EQ(recorder.events.back(), "launch app.exe");
        EXPECT_EQ(recorder.events.end()[-2], "replace new.exe app.exe");
        EXPECT_EQ(clock.now() - start, output ? kWaitLimit : Clock::Duration::zero());
    }
}

}  // namespace
}  // namespace korvane::updater
