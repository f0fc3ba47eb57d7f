#include "runtime/singbox/singbox_runner.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "common/log/service_log.h"
#include "tests/support/file_content.h"
#include "tests/support/runtime_tree.h"
#include "tests/support/scoped_environment.h"
#include "tests/support/service_log_lines.h"
#include "tests/support/tun_devices.h"

namespace korvane::runtime {
namespace {

using namespace std::chrono_literals;
using SteadyClock = std::chrono::steady_clock;

// launchSingBox with the sing-box stand-in, whose device the helper makes as
// sing-box would make its adapter. Device names are this file's own.
class SingBoxRunner : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!test::tunDevicesAvailable()) {
            GTEST_SKIP() << "needs tests/with_tun_devices.sh, as root";
        }
        ASSERT_TRUE(log::openServiceLog(tree.dataFolder() / "logs"));
    }

    void TearDown() override {
        EXPECT_TRUE(stopSingBox());
        log::closeServiceLog();
    }

    // A tun.json that names the interface, as far as the stand-in reads it.
    SingBoxLaunch launchOf(const std::string& name) {
        const std::string address = "172.19.251.1/30";
        const auto path = tree.dataFolder() / "tun.json";
        test::writeFile(path, R"({"inbounds":[{"interface_name":")" + name + R"(","address":[")" +
                                  address + R"("]}]})");
        return {path, name, address};
    }

    SteadyClock::duration timedLaunch(const SingBoxLaunch& launch) {
        const auto start = SteadyClock::now();
        const Status launched = launchSingBox(tree.layout(), launch);
        const auto took = SteadyClock::now() - start;
        EXPECT_TRUE(launched) << launched.error();
        return took;
    }

    std::vector<std::string> events() {
        log::closeServiceLog();
        return test::serviceLogEvents(tree.dataFolder() / "logs");
    }

    test::RuntimeTree tree;
};

TEST_F(SingBoxRunner, AnswersOnceTheAdapterIsUp_TheInterruptRemovesIt) {
    const SingBoxLaunch launch = launchOf("KvI18Up");
    EXPECT_LT(timedLaunch(launch), 2500ms);
    EXPECT_TRUE(stopSingBox());
    EXPECT_TRUE(test::waitForAdapter("KvI18Up", false, 2s)) << "the stand-in's Ctrl+C deletes it";
    EXPECT_FALSE(test::hasEvent(events(), "warning Adapter"));
}

TEST_F(SingBoxRunner, WithoutAnAdapterStillAnswersAtThreeSeconds) {
    test::ScopedEnvironment noDevice(L"KORVANE_TUN_REQUESTS", L"");
    const auto took = timedLaunch(launchOf("KvI18None"));
    EXPECT_GE(took, 3s);
    EXPECT_LT(took, 4500ms);
    EXPECT_TRUE(test::hasEvent(events(),
                               "warning Adapter KvI18None with 172.19.251.1/30 was not seen up 3 s "
                               "after the launch; sing-box.exe still runs, so the start goes on"));
}

TEST_F(SingBoxRunner, LaunchWaitsUntilALingeringAdapterIsGone) {
    ASSERT_TRUE(test::makeTunDevice("KvI18Linger", "172.19.251.1/30"));
    std::thread goesAway([] {
        std::this_thread::sleep_for(1s);
        EXPECT_TRUE(test::deleteTunDevice("KvI18Linger"));
    });
    // Launched into the old device, the stand-in's own would never come.
    const auto took = timedLaunch(launchOf("KvI18Linger"));
    goesAway.join();
    EXPECT_GE(took, 1s);
    EXPECT_LT(took, 3s);
    EXPECT_FALSE(test::hasEvent(events(), "warning Adapter"));
}

}  // namespace
}  // namespace korvane::runtime
