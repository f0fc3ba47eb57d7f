// The VPN end to end through the handlers, with the stand-ins for naive.exe
// and sing-box.exe staged in an install tree.

#include "runtime/supervisor/supervisor.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <cstdlib>
#include <future>
#include <nlohmann/json.hpp>
#include <thread>

#include "common/log/service_log.h"
#include "platform/handles.h"
#include "platform/wide.h"
#include "runtime/naive/local_socks_port.h"
#include "runtime/naive/naive_runner.h"
#include "runtime/records/records.h"
#include "runtime/singbox/singbox_runner.h"
#include "tests/support/loopback.h"
#include "tests/support/processes.h"
#include "tests/support/runtime_tree.h"
#include "tests/support/scoped_environment.h"
#include "tests/support/service_log_lines.h"

namespace korvane::runtime {
namespace {

using namespace std::chrono_literals;
using test::RuntimeTree;
using test::ScopedEnvironment;
using test::serverJson;
using test::splitSettingsJson;

const std::string kAllDown =
    R"({"healthy":false,"naiveRunning":false,"singBoxRunning":false,"socksReady":false})";

std::string expectedStartResult() {
    const DWORD pid = ::GetCurrentProcessId();
    const unsigned a = pid % 160 + 32;
    const unsigned b = (pid / 160) % 63 * 4 + 1;
    return R"({"localSocksPort":1080,"serverHost":"127.0.0.1","interfaceName":"KorvaneTun)" +
           std::to_string(pid) + R"(","address":"172.19.)" + std::to_string(a) + "." +
           std::to_string(b) + R"(/30"})";
}

const std::string kHealthy =
    R"({"healthy":true,"naiveRunning":true,"singBoxRunning":true,"socksReady":true})";

void expectNothingRuns(const RuntimeTree& tree) {
    EXPECT_TRUE(tree.running("naive").empty());
    EXPECT_TRUE(tree.running("sing-box").empty());
}

// The pauses before restarts pass at once on it; only the watcher's thread
// reads it, and it outlives the watcher.
ManualClock restartClock;

// The id of the one running copy of the program, 0 when none or several run.
DWORD runningId(const RuntimeTree& tree, const char* name) {
    const auto ids = tree.running(name);
    return ids.size() == 1 ? ids.front() : 0;
}

template <typename Condition>
bool eventually(Condition condition) {
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(50ms);
    }
    return true;
}

// The service log in the tree's data folder while it lives.
struct TreeLog {
    explicit TreeLog(const RuntimeTree& tree) : folder(tree.dataFolder() / "logs") {
        EXPECT_TRUE(log::openServiceLog(folder));
    }
    ~TreeLog() { log::closeServiceLog(); }
    bool has(const std::string& prefix) const {
        return test::hasEvent(test::serviceLogEvents(folder), prefix);
    }
    const std::filesystem::path folder;
};

// Ends `name` as often as the watcher restarts it and once more: each time
// the VPN comes back whole while the other program runs on, and after the
// fourth exit in a minute both are stopped.
void expectRestartedThriceThenGivenUp(RuntimeTree& tree, const char* name, const char* other) {
    const TreeLog log(tree);
    ASSERT_TRUE(handleStart(tree.layout(), splitSettingsJson(), serverJson(tree.serverPort()),
                            restartClock));
    const std::string program = std::string(name) + ".exe";
    const DWORD otherId = runningId(tree, other);
    for (int attempt = 1; attempt <= 3; ++attempt) {
        const DWORD ended = runningId(tree, name);
        ASSERT_NE(ended, 0u);
        test::terminateById(ended);
        const std::string exited = "warning " + program + " (process " + std::to_string(ended) +
                                   ") exited; restart " + std::to_string(attempt) + " of 3 in " +
                                   std::to_string(1 << (attempt - 1)) + " s";
        const std::string restarted = "info Restarted " + program + " (attempt " +
                                      std::to_string(attempt) + " of 3): process ";
        ASSERT_TRUE(eventually([&] { return log.has(restarted); })) << restarted;
        EXPECT_TRUE(log.has(exited)) << exited;
        EXPECT_EQ(handleHealth(), kHealthy);
        EXPECT_EQ(runningId(tree, other), otherId) << "left alone";
    }
    test::terminateById(runningId(tree, name));
    EXPECT_TRUE(eventually([&] { return handleHealth() == kAllDown; }));
    expectNothingRuns(tree);
    EXPECT_TRUE(log.has("error Giving up: " + program + " (process "));
}

TEST(Supervisor, FullStartRunsBothChildren_HealthIsGood_StopEndsBoth) {
    RuntimeTree tree;
    const auto started =
        handleStart(tree.layout(), splitSettingsJson(), serverJson(tree.serverPort()));
    ASSERT_TRUE(started) << started.error();
    EXPECT_EQ(*started, expectedStartResult());
    EXPECT_EQ(tree.running("naive").size(), 1u);
    EXPECT_EQ(tree.running("sing-box").size(), 1u);
    EXPECT_EQ(handleHealth(),
              R"({"healthy":true,"naiveRunning":true,"singBoxRunning":true,"socksReady":true})");

    ASSERT_TRUE(handleStop());
    expectNothingRuns(tree);
    EXPECT_EQ(handleHealth(), kAllDown);
    EXPECT_TRUE(handleStop()) << "stopping when nothing runs succeeds";
}

TEST(Supervisor, SecondStartWhileUpReplacesBothChildren) {
    RuntimeTree tree;
    ASSERT_TRUE(handleStart(tree.layout(), splitSettingsJson(), serverJson(tree.serverPort())));
    const auto firstNaive = tree.running("naive");
    const auto firstSingBox = tree.running("sing-box");

    const auto again =
        handleStart(tree.layout(), splitSettingsJson(), serverJson(tree.serverPort()));
    ASSERT_TRUE(again) << again.error();
    EXPECT_EQ(*again, expectedStartResult());
    const auto naive = tree.running("naive");
    const auto singBox = tree.running("sing-box");
    ASSERT_EQ(naive.size(), 1u);
    ASSERT_EQ(singBox.size(), 1u);
    EXPECT_NE(naive, firstNaive);
    EXPECT_NE(singBox, firstSingBox);
}

TEST(Supervisor, FailedSecondStartLeavesNothingRunning_ARefusedProtocolChangesNothing) {
    RuntimeTree tree;
    ASSERT_TRUE(handleStart(tree.layout(), splitSettingsJson(), serverJson(tree.serverPort())));

    // A refused protocol changes nothing.
    EXPECT_EQ(
        handleStart(tree.layout(), splitSettingsJson(), serverJson(tree.serverPort(), "wireguard")),
        fail("Unsupported VPN protocol: wireguard"));
    EXPECT_EQ(tree.running("naive").size(), 1u);
    EXPECT_EQ(tree.running("sing-box").size(), 1u);

    // Any later failure ends both: sing-box.exe must not route into a port
    // where nothing of ours listens.
    const std::uint16_t closedPort = test::freeLoopbackPort();
    EXPECT_EQ(handleStart(tree.layout(), splitSettingsJson(), serverJson(closedPort)),
              fail("Server 127.0.0.1:" + std::to_string(closedPort) + " is unreachable."));
    expectNothingRuns(tree);
    EXPECT_EQ(handleHealth(), kAllDown);

    const auto again =
        handleStart(tree.layout(), splitSettingsJson(), serverJson(tree.serverPort()));
    ASSERT_TRUE(again) << again.error();
    ASSERT_TRUE(handleStop());
    const auto occupier = test::occupyLoopbackPort(kLocalSocksPort);
    ASSERT_TRUE(occupier);
    EXPECT_EQ(handleStart(tree.layout(), splitSettingsJson(), serverJson(tree.serverPort())),
              fail("Local SOCKS5 port 1080 is already in use."));
    expectNothingRuns(tree);
}

TEST(Supervisor, SingBoxIsNotStartedInFrontOfAListenerThatIsNotNaives) {
    RuntimeTree tree;
    const auto settings = parseStoredAppSettings(splitSettingsJson());
    const auto server = parseAccessServer(serverJson(tree.serverPort()));
    ASSERT_TRUE(settings && server);
    const auto naive = startNaive(tree.layout(), *server);
    ASSERT_TRUE(naive);
    // What the system would say, were it to tell owners (Wine does not).
    const ListenerTable someoneElse = [] {
        return std::optional(std::vector<ListenerRow>{{ListenerRow::Address::loopback, 1080, 4}});
    };
    ManualClock clock;
    const auto started =
        startSingBox(tree.layout(), *settings, server->host, naive->processId, clock, someoneElse);
    ASSERT_FALSE(started);
    EXPECT_TRUE(
        started.error().starts_with("NaiveProxy local SOCKS5 is not available before TUN start."))
        << started.error();
    EXPECT_TRUE(tree.running("sing-box").empty());
    EXPECT_FALSE(std::filesystem::exists(tree.dataFolder() / "sing-box" / "tun.json"));
}

TEST(Supervisor, TooManyExecutablesInAnApplicationFolderFailTheStartAndLeaveNothingRunning) {
    RuntimeTree tree;
    // The chosen application's folder holds one executable more than a start
    // may route, Discord.exe among them.
    const std::filesystem::path folder = tree.serviceFolder().parent_path() / "Discord";
    std::filesystem::create_directories(folder);
    for (int i = 0; i <= 10'000; ++i) {
        const std::wstring name = i == 0 ? L"Discord.exe" : L"tool" + std::to_wstring(i) + L".exe";
        ASSERT_TRUE(platform::UniqueFile(::CreateFileW((folder / name).c_str(), GENERIC_WRITE, 0,
                                                       nullptr, CREATE_NEW, 0, nullptr)));
    }
    nlohmann::json settings = nlohmann::json::parse(splitSettingsJson());
    settings["apps"] = nlohmann::json::array(
        {{{"name", "Discord"}, {"path", platform::narrow((folder / "Discord.exe").native())}}});

    EXPECT_EQ(handleStart(tree.layout(), settings.dump(), serverJson(tree.serverPort())),
              fail("Too many files in the application folders to route (limit 10000)."));
    expectNothingRuns(tree);
}

TEST(Supervisor, PayloadErrorsComeBeforeAnyWork_SettingsFirst) {
    RuntimeTree tree;
    EXPECT_EQ(handleStart(tree.layout(), R"({"mode":1})", R"({"port":"x"})"),
              fail("Invalid settings payload: invalid type: integer `1`, expected a string at "
                   "line 1 column 9"));
    EXPECT_EQ(handleStart(tree.layout(), splitSettingsJson(), "null"),
              fail("Invalid server payload: invalid type: null, expected struct AccessServer at "
                   "line 1 column 4"));
    expectNothingRuns(tree);
}

TEST(Supervisor, NaiveThatNeverListensIsStoppedWithItsLogTail) {
    RuntimeTree tree;
    ScopedEnvironment mode(L"KORVANE_NAIVE_MODE", L"silent");
    const auto started =
        handleStart(tree.layout(), splitSettingsJson(), serverJson(tree.serverPort()));
    ASSERT_FALSE(started);
    EXPECT_TRUE(started.error().starts_with(
        "NaiveProxy started, but local SOCKS5 did not become ready. Last log lines: "
        "--- starting naive --- | "))
        << started.error();
    expectNothingRuns(tree);
}

TEST(Supervisor, MissingSingBoxStopsNaive) {
    RuntimeTree tree;
    std::filesystem::remove(tree.program("sing-box"));
    EXPECT_EQ(handleStart(tree.layout(), splitSettingsJson(), serverJson(tree.serverPort())),
              fail("sing-box.exe was not found."));
    expectNothingRuns(tree);
    EXPECT_EQ(handleHealth(), kAllDown);
}

TEST(Supervisor, SingBoxThatExitsAtOnceFailsTheStartThenWithItsLogTail) {
    RuntimeTree tree;
    ScopedEnvironment mode(L"KORVANE_SINGBOX_MODE", L"exit");
    const auto before = std::chrono::steady_clock::now();
    const auto started =
        handleStart(tree.layout(), splitSettingsJson(), serverJson(tree.serverPort()));
    // Well inside the 3 s that a running sing-box.exe is given to settle.
    EXPECT_LT(std::chrono::steady_clock::now() - before, 2500ms);
    ASSERT_FALSE(started);
    EXPECT_TRUE(started.error().starts_with(
        "sing-box exited early. Run the app as administrator and check that TUN is available. "
        "Last log lines: --- starting sing-box --- | "))
        << started.error();
    expectNothingRuns(tree);
    // The configuration was written before the launch.
    EXPECT_TRUE(std::filesystem::exists(tree.dataFolder() / "sing-box" / "tun.json"));
}

TEST(Supervisor, SingBoxThatExitsLaterIsReportedByHealth) {
    RuntimeTree tree;
    ScopedEnvironment mode(L"KORVANE_SINGBOX_MODE", L"exit-after-5s");
    ASSERT_TRUE(handleStart(tree.layout(), splitSettingsJson(), serverJson(tree.serverPort())));
    std::this_thread::sleep_for(2500ms);
    EXPECT_EQ(handleHealth(), R"({"healthy":false,"naiveRunning":true,)"
                              R"("singBoxRunning":false,"socksReady":true})");
}

TEST(Supervisor, StopFromAnotherThreadDuringAStartLeavesNothingAfterTheSecondStop) {
    RuntimeTree tree;
    auto start = std::async(std::launch::async, [&] {
        return handleStart(tree.layout(), splitSettingsJson(), serverJson(tree.serverPort()));
    });
    // Lands while sing-box.exe settles: both slots are filled at that moment.
    std::this_thread::sleep_for(1500ms);
    EXPECT_TRUE(handleStop());
    ASSERT_EQ(start.wait_for(30s), std::future_status::ready) << "the start must not hang";
    (void)start.get();
    EXPECT_TRUE(handleStop());
    expectNothingRuns(tree);
}

TEST(Supervisor, NaiveThatExitsIsRestartedWhileSingBoxRunsOn_AtTheFourthExitBothStop) {
    RuntimeTree tree;
    expectRestartedThriceThenGivenUp(tree, "naive", "sing-box");
}

TEST(Supervisor, SingBoxThatExitsIsRestartedWhileNaiveRunsOn_AtTheFourthExitBothStop) {
    RuntimeTree tree;
    expectRestartedThriceThenGivenUp(tree, "sing-box", "naive");
}

TEST(Supervisor, StartOrStopDuringAPendingRestartCancelsIt_HealthTellsTheProgramIsDown) {
    RuntimeTree tree;
    ASSERT_TRUE(handleStart(tree.layout(), splitSettingsJson(), serverJson(tree.serverPort())));
    // Each time within the real pause of 1 s before the restart.
    test::terminateById(runningId(tree, "naive"));
    std::this_thread::sleep_for(400ms);
    EXPECT_EQ(handleHealth(), R"({"healthy":false,"naiveRunning":false,)"
                              R"("singBoxRunning":true,"socksReady":false})");
    ASSERT_TRUE(handleStart(tree.layout(), splitSettingsJson(), serverJson(tree.serverPort())));
    std::this_thread::sleep_for(1000ms);
    EXPECT_EQ(tree.running("naive").size(), 1u) << "no restart after the new start";
    EXPECT_EQ(handleHealth(), kHealthy);

    test::terminateById(runningId(tree, "naive"));
    std::this_thread::sleep_for(400ms);
    const auto before = std::chrono::steady_clock::now();
    EXPECT_TRUE(handleStop());
    EXPECT_LT(std::chrono::steady_clock::now() - before, 500ms) << "the stop waits for no pause";
    std::this_thread::sleep_for(1500ms);
    expectNothingRuns(tree);
}

TEST(Supervisor, StopDuringARestartEndsWhatItLaunchedAndGivesNothingUp) {
    RuntimeTree tree;
    const TreeLog log(tree);
    ASSERT_TRUE(handleStart(tree.layout(), splitSettingsJson(), serverJson(tree.serverPort()),
                            restartClock));
    const DWORD ended = runningId(tree, "sing-box");
    test::terminateById(ended);
    // The new sing-box.exe waits up to 3 s for its adapter, which never shows.
    ASSERT_TRUE(eventually([&] {
        const DWORD id = runningId(tree, "sing-box");
        return id != 0 && id != ended;
    }));
    const auto before = std::chrono::steady_clock::now();
    EXPECT_TRUE(handleStop());
    EXPECT_LT(std::chrono::steady_clock::now() - before, 1s) << "the stop waits for no restart";
    EXPECT_TRUE(
        eventually([&] { return log.has("info The restart of sing-box.exe was cancelled"); }));
    expectNothingRuns(tree);
    EXPECT_FALSE(log.has("error Giving up"));
}

// Run by with_microsocks.sh while the Linux microsocks serves 127.0.0.1:1080.
class OutsideSocks : public ::testing::Test {
  protected:
    void SetUp() override {
        if (std::getenv("KORVANE_OUTSIDE_SOCKS") == nullptr) {
            GTEST_SKIP() << "needs microsocks on 127.0.0.1:1080 (with_microsocks.sh)";
        }
    }
};

TEST_F(OutsideSocks, HealthSeesTheSocksPortButIsNotHealthy) {
    RuntimeTree tree;
    EXPECT_EQ(handleHealth(), R"({"healthy":false,"naiveRunning":false,)"
                              R"("singBoxRunning":false,"socksReady":true})");
}

}  // namespace
}  // namespace korvane::runtime
