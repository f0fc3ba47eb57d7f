#include "runtime/process/process_slot.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "common/log/service_log.h"
#include "platform/wide.h"
#include "runtime/process/launch.h"
#include "runtime/process/runtime_layout.h"
#include "tests/support/build_paths.h"
#include "tests/support/file_content.h"
#include "tests/support/processes.h"
#include "tests/support/scoped_environment.h"
#include "tests/support/service_log_lines.h"
#include "tests/support/temp_tree.h"

namespace korvane::runtime {
namespace {

using namespace std::chrono_literals;
using test::ScopedEnvironment;
using test::TempTree;

constexpr const char* kLockMessage = "Naive process lock failed.";

class ProcessSlotTest : public ::testing::Test {
  protected:
    // A sing-box stand-in that runs until it is ended, or one that has exited.
    ChildProcess start(const wchar_t* mode = L"stay") {
        ScopedEnvironment environment(L"KORVANE_SINGBOX_MODE", mode);
        auto child = launchWithLog(layout, "sing-box", {test::standIn("sing-box"), {}, {}});
        if (!child) {
            ADD_FAILURE() << child.error();
            return {};
        }
        return std::move(*child);
    }

    ChildProcess exited() {
        ChildProcess child = start(L"exit");
        ::WaitForSingleObject(child.process.get(), 10000);
        EXPECT_TRUE(test::waitUntilUnshared(layout.logFile("sing-box"), 5s));
        return child;
    }

    static void breakSlot(ProcessSlot& slot) {
        const Status status =
            slot.runLockedForTesting([] { throw std::runtime_error("fault under the lock"); });
        ASSERT_EQ(status, fail(kLockMessage));
    }

    TempTree tree;
    const RuntimeLayout layout{tree.root() / L"svc.exe"};
    ProcessSlot slot{kLockMessage};
};

TEST_F(ProcessSlotTest, EmptySlot_IsNotRunningAndStopsQuietly) {
    EXPECT_EQ(slot.isRunning(), false);
    EXPECT_TRUE(slot.stop().has_value());
    EXPECT_EQ(slot.isRunning(), false);
}

TEST_F(ProcessSlotTest, ExitedChild_StaysHeldNotRunningAndStopsWithoutTermination) {
    ChildProcess child = exited();
    const DWORD id = child.id;
    platform::UniqueProcess watch(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id));
    ASSERT_TRUE(slot.store(std::move(child)).has_value());

    EXPECT_EQ(slot.isRunning(), false);
    EXPECT_TRUE(slot.stop().has_value());
    DWORD exitCode = 0;
    ASSERT_TRUE(::GetExitCodeProcess(watch.get(), &exitCode));
    EXPECT_EQ(exitCode, 3u) << "the stand-in's own exit code, not a termination";
}

TEST_F(ProcessSlotTest, LiveChild_IsRunningUntilStopEndsItWithCodeOne) {
    ChildProcess child = start();
    platform::UniqueProcess watch(
        ::OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, child.id));
    ASSERT_TRUE(slot.store(std::move(child)).has_value());
    EXPECT_EQ(slot.isRunning(), true);

    EXPECT_TRUE(slot.stop().has_value());
    // stop waited for the end: the process is gone by now.
    EXPECT_EQ(::WaitForSingleObject(watch.get(), 0), static_cast<DWORD>(WAIT_OBJECT_0));
    DWORD exitCode = 0;
    ASSERT_TRUE(::GetExitCodeProcess(watch.get(), &exitCode));
    EXPECT_EQ(exitCode, 1u);
    EXPECT_EQ(slot.isRunning(), false);
    EXPECT_TRUE(slot.stop().has_value());
}

TEST_F(ProcessSlotTest, Store_ReleasesAnEarlierChildWithoutEndingIt) {
    ChildProcess first = start();
    const DWORD firstId = first.id;
    ASSERT_TRUE(slot.store(std::move(first)).has_value());
    ASSERT_TRUE(slot.store(exited()).has_value());

    EXPECT_TRUE(test::processAlive(firstId));
    EXPECT_EQ(slot.isRunning(), false);
    test::terminateById(firstId);
}

TEST_F(ProcessSlotTest, StopThatFailsPastTheLockStillEmptiesTheSlot) {
    // A handle that cannot be queried: the child's process handle closed and
    // replaced by a thread handle makes the exit-code query fail.
    ChildProcess child = start();
    const DWORD id = child.id;
    ChildProcess broken;
    broken.process.reset(child.thread.release());
    ASSERT_TRUE(slot.store(std::move(broken)).has_value());

    const Status stopped = slot.stop();
    EXPECT_FALSE(stopped.has_value());
    EXPECT_EQ(slot.isRunning(), false) << "the slot is empty after a failed stop";
    test::terminateById(id);
}

TEST_F(ProcessSlotTest, WaitForExit_EndsAtTheLimitWhileTheChildRuns_AtOnceWhenEmpty) {
    using namespace std::chrono_literals;
    using Stopwatch = std::chrono::steady_clock;
    auto started = Stopwatch::now();
    EXPECT_TRUE(slot.waitForExit(5s).has_value());
    EXPECT_LT(Stopwatch::now() - started, 100ms) << "an empty slot has nothing to wait for";

    ASSERT_TRUE(slot.store(start()).has_value());
    started = Stopwatch::now();
    EXPECT_TRUE(slot.waitForExit(300ms).has_value());
    EXPECT_GE(Stopwatch::now() - started, 290ms);
    EXPECT_EQ(slot.isRunning(), true);
}

TEST_F(ProcessSlotTest, WaitForExit_EndsWhenTheChildEnds_WithoutHoldingTheLock) {
    using namespace std::chrono_literals;
    using Stopwatch = std::chrono::steady_clock;
    ASSERT_TRUE(slot.store(start()).has_value());
    const auto started = Stopwatch::now();
    // The stop takes the lock while the wait runs, and its end of the child
    // ends the wait.
    std::thread stopper([&] {
        std::this_thread::sleep_for(300ms);
        EXPECT_TRUE(slot.stop().has_value());
    });
    EXPECT_TRUE(slot.waitForExit(5s).has_value());
    const auto waited = Stopwatch::now() - started;
    stopper.join();
    EXPECT_GE(waited, 290ms);
    EXPECT_LT(waited, 2s);
    EXPECT_EQ(slot.isRunning(), false);
}

TEST_F(ProcessSlotTest, ProcessId_IsTheHeldChildsUntilStopEmptiesTheSlot) {
    EXPECT_EQ(slot.processId(), 0u);
    ChildProcess child = start();
    const DWORD id = child.id;
    ASSERT_TRUE(slot.store(std::move(child)).has_value());
    EXPECT_EQ(slot.processId(), id);
    EXPECT_TRUE(slot.stop().has_value());
    EXPECT_EQ(slot.processId(), 0u);
}

// A child that the service cannot end: the slot holds a handle that may wait
// and query but not terminate, so TerminateProcess is refused.
class UnendableChild : public ProcessSlotTest {
  protected:
    // The same process as `started`, through the restricted handle alone.
    static ChildProcess unendable(ChildProcess started) {
        ChildProcess child;
        child.id = started.id;
        child.process.reset(
            ::OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, started.id));
        EXPECT_TRUE(child.process);
        return child;
    }

    static constexpr auto kBound = 400ms;
    ProcessSlot bounded{kLockMessage, ProcessSlot::StopMethod::Terminate, kBound};
};

TEST_F(UnendableChild, StopGivesUpAfterTheBoundAndEmptiesTheSlot) {
    ChildProcess child = unendable(start());
    const DWORD id = child.id;
    ASSERT_TRUE(bounded.store(std::move(child)).has_value());

    const auto begin = std::chrono::steady_clock::now();
    auto stopping = std::async(std::launch::async, [&] { return bounded.stop(); });
    const bool returned = stopping.wait_for(10s) == std::future_status::ready;
    const auto elapsed = std::chrono::steady_clock::now() - begin;
    // Ending the child also frees a stop that would wait for ever.
    ASSERT_TRUE(test::processAlive(id)) << "the child must outlive the stop";
    test::terminateById(id);

    EXPECT_TRUE(returned) << "stop must not wait without bound";
    EXPECT_EQ(stopping.get(),
              fail("Process " + std::to_string(id) + " did not exit after termination"));
    EXPECT_GE(elapsed, kBound);
    EXPECT_EQ(bounded.isRunning(), false);
    EXPECT_EQ(bounded.processId(), 0u);
    EXPECT_TRUE(bounded.stop().has_value()) << "nothing is held any more";
}

TEST_F(UnendableChild, RefusedTerminationOfAProcessThatEndsInTimeIsSuccess) {
    // Denied termination, but the process ends by itself within the bound:
    // the stop succeeds, as for a process that was already ending.
    auto sleeper = launchWithLog(layout, "sing-box", {test::standIn("sleeper"), {L"1500"}, {}});
    ASSERT_TRUE(sleeper.has_value()) << sleeper.error();
    ChildProcess child = unendable(std::move(*sleeper));
    const DWORD id = child.id;
    ProcessSlot patient{kLockMessage, ProcessSlot::StopMethod::Terminate, 20s};
    ASSERT_TRUE(patient.store(std::move(child)).has_value());

    EXPECT_TRUE(patient.stop().has_value());
    EXPECT_FALSE(test::processAlive(id));
}

TEST_F(ProcessSlotTest, BrokenSlot_FailsEverythingAndLeavesTheProcessRunning) {
    ChildProcess held = start();
    const DWORD heldId = held.id;
    ASSERT_TRUE(slot.store(std::move(held)).has_value());
    breakSlot(slot);

    EXPECT_EQ(slot.isRunning(), fail(kLockMessage));
    EXPECT_EQ(slot.stop(), fail(kLockMessage));
    EXPECT_TRUE(test::processAlive(heldId)) << "a broken slot touches nothing";

    ChildProcess offered = start();
    const DWORD offeredId = offered.id;
    EXPECT_EQ(slot.store(std::move(offered)), fail(kLockMessage));
    EXPECT_TRUE(test::processAlive(offeredId)) << "the child refused is left running";
    EXPECT_EQ(slot.runLockedForTesting([] {}), fail(kLockMessage));

    test::terminateById(heldId);
    test::terminateById(offeredId);
}

TEST_F(ProcessSlotTest, ServiceLogHasEachLaunchOneLineForAnExitAndEachEnd) {
    ASSERT_TRUE(log::openServiceLog(tree.path(L"logs")));
    ChildProcess gone = exited();
    const std::string goneId = std::to_string(gone.id);
    ASSERT_TRUE(slot.store(std::move(gone)).has_value());
    // Health asks again and again; the exit is logged once, and the stop
    // does not repeat it.
    EXPECT_EQ(slot.isRunning(), false);
    EXPECT_EQ(slot.isRunning(), false);
    EXPECT_TRUE(slot.stop().has_value());

    ChildProcess goneBeforeStop = exited();
    const std::string goneBeforeStopId = std::to_string(goneBeforeStop.id);
    ASSERT_TRUE(slot.store(std::move(goneBeforeStop)).has_value());
    EXPECT_TRUE(slot.stop().has_value());

    ChildProcess live = start();
    const std::string liveId = std::to_string(live.id);
    ASSERT_TRUE(slot.store(std::move(live)).has_value());
    EXPECT_TRUE(slot.stop().has_value());
    log::closeServiceLog();

    const std::string launched =
        "info Launched " + platform::narrow(test::standIn("sing-box").native());
    EXPECT_EQ(
        test::serviceLogEvents(tree.path(L"logs")),
        (std::vector<std::string>{
            launched + ": pid " + goneId,
            "warning Process " + goneId + " had exited when checked: exit code 3",
            launched + ": pid " + goneBeforeStopId,
            "warning Process " + goneBeforeStopId + " had exited before the stop: exit code 3",
            launched + ": pid " + liveId,
            "info Ended process " + liveId,
        }));
}

// sing-box's way: an interrupt first, which the stand-in answers by exiting
// with code 130, unless it ignores it; then it is ended within the bound.
TEST_F(ProcessSlotTest, InterruptFirst_EndsAChildGracefully_TerminatesOneThatIgnoresIt) {
    ASSERT_TRUE(log::openServiceLog(tree.path(L"logs")));
    ProcessSlot interrupting{kLockMessage, ProcessSlot::StopMethod::InterruptFirst};
    struct Stopped {
        std::string id;
        std::chrono::steady_clock::duration took;
        DWORD exitCode = 0;
    };
    const auto startAndStop = [&](const wchar_t* onInterrupt) {
        ScopedEnvironment interrupt(L"KORVANE_SINGBOX_INTERRUPT", onInterrupt);
        ScopedEnvironment record(L"KORVANE_SINGBOX_RECORD", tree.path(L"record.txt").wstring());
        std::filesystem::remove(tree.path(L"record.txt"));
        ChildProcess child = start();
        Stopped stopped{std::to_string(child.id), {}, 0};
        platform::UniqueProcess watch(
            ::OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, child.id));
        // The record comes after the stand-in's handler is in place.
        EXPECT_TRUE(test::waitForFile(tree.path(L"record.txt"), 5s));
        EXPECT_TRUE(interrupting.store(std::move(child)));
        const auto before = std::chrono::steady_clock::now();
        EXPECT_TRUE(interrupting.stop());
        stopped.took = std::chrono::steady_clock::now() - before;
        EXPECT_TRUE(::GetExitCodeProcess(watch.get(), &stopped.exitCode));
        return stopped;
    };

    const Stopped graceful = startAndStop(L"exit");
    EXPECT_EQ(graceful.exitCode, 130u);
    EXPECT_LT(graceful.took, 1s);
    const Stopped ignoring = startAndStop(L"ignore");
    EXPECT_EQ(ignoring.exitCode, 1u);
    EXPECT_GE(ignoring.took, ProcessSlot::kInterruptWait);
    EXPECT_LT(ignoring.took, ProcessSlot::kInterruptWait + 2s);
    log::closeServiceLog();

    const auto events = test::serviceLogEvents(tree.path(L"logs"));
    EXPECT_TRUE(
        test::hasEvent(events, "info Process " + graceful.id + " exited after an interrupt"));
    EXPECT_TRUE(test::hasEvent(events, "warning Process " + ignoring.id +
                                           " did not exit within 5 s of an interrupt; ending it"));
    EXPECT_TRUE(test::hasEvent(events, "info Ended process " + ignoring.id));
}

TEST(ProcessSlots, EachProcessWideSlotFailsWithItsOwnLockMessage) {
    // Breaking a process-wide slot lasts for the process, so each runs in a
    // child process of its own.
    const auto breakAndReport = [](ProcessSlot& slot) {
        (void)slot.runLockedForTesting([] { throw 1; });
        std::fputs(slot.isRunning().error().c_str(), stderr);
        std::exit(0);
    };
    EXPECT_EXIT(breakAndReport(naiveSlot()), ::testing::ExitedWithCode(0),
                "^Naive process lock failed\\.$");
    EXPECT_EXIT(breakAndReport(singBoxSlot()), ::testing::ExitedWithCode(0),
                "^sing-box process lock failed\\.$");
}

}  // namespace
}  // namespace korvane::runtime
