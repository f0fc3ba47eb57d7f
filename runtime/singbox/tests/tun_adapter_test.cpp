#include "runtime/singbox/tun_adapter.h"

#include <gtest/gtest.h>

#include <vector>

namespace korvane::runtime {
namespace {

using namespace std::chrono_literals;
using platform::NetworkAdapter;
using Adapters = std::vector<NetworkAdapter>;

// Answers each look with the next of `answers` (the last one again once they
// run out), and records when each look ran and how long it took.
struct Looks {
    explicit Looks(ManualClock& clock, std::vector<Result<Adapters>> answers,
                   Clock::Duration cost = 0ms)
        : clock(clock), start(clock.now()), answers(std::move(answers)), cost(cost) {}

    AdapterListing listing() {
        return [this]() -> Result<Adapters> {
            times.push_back(clock.now() - start);
            clock.advance(cost);
            return answers[std::min(times.size(), answers.size()) - 1];
        };
    }

    ManualClock& clock;
    Clock::TimePoint start;
    std::vector<Result<Adapters>> answers;
    Clock::Duration cost;
    std::vector<Clock::Duration> times;
};

const NetworkAdapter kTun{L"KorvaneTun1234", true, {"fe80::1/64", "172.19.34.29/30"}};
const NetworkAdapter kEthernet{L"eth0", true, {"192.0.2.2/24"}};
const auto kRunning = []() -> Result<bool> { return true; };

TEST(WaitUntilAdapterGone, LooksEveryFiftyMillisecondsUntilNoAdapterHasTheName) {
    ManualClock clock;
    // The name compares without ASCII case; other adapters, and one that is
    // not present, do not count. A look's own time is part of the pause.
    Looks looks(clock,
                {Adapters{kEthernet, kTun}, Adapters{NetworkAdapter{L"korvanetun1234", false, {}}},
                 Adapters{kEthernet, NetworkAdapter{L"KorvaneTun1234", false, {}, false}}},
                15ms);
    EXPECT_EQ(waitUntilAdapterGone(clock, looks.listing(), "KorvaneTun1234"), true);
    EXPECT_EQ(looks.times, (std::vector<Clock::Duration>{0ms, 50ms, 100ms}));
}

TEST(WaitUntilAdapterGone, GivesUpAfterTenSeconds_AFailedListingEndsTheWait) {
    ManualClock clock;
    Looks lingering(clock, {Adapters{kTun}});
    EXPECT_EQ(waitUntilAdapterGone(clock, lingering.listing(), "KorvaneTun1234"), false);
    EXPECT_EQ(lingering.times.size(), 201u);
    EXPECT_EQ(lingering.times.back(), 10s);

    Looks failing(clock, {Adapters{kTun}, fail("The listing failed")});
    EXPECT_EQ(waitUntilAdapterGone(clock, failing.listing(), "KorvaneTun1234"),
              fail("The listing failed"));
    EXPECT_EQ(failing.times.size(), 2u);
}

TEST(WaitForAdapterUp, UpOnlyOnceTheNamedAdapterIsUpWithTheAddress) {
    ManualClock clock;
    // Down; up without the address; another adapter with it; a failed
    // listing; then up with it (the prefix length does not matter).
    Looks looks(
        clock,
        {Adapters{NetworkAdapter{L"KorvaneTun1234", false, {"172.19.34.29/30"}}},
         Adapters{NetworkAdapter{L"KorvaneTun1234", true, {"fe80::1/64"}}},
         Adapters{NetworkAdapter{L"eth1", true, {"172.19.34.29/30"}}}, fail("The listing failed"),
         Adapters{kEthernet, NetworkAdapter{L"KorvaneTun1234", true, {"172.19.34.29/32"}}}},
        20ms);
    EXPECT_EQ(waitForAdapterUp(clock, clock.now(), looks.listing(), "KorvaneTun1234",
                               "172.19.34.29/30", kRunning),
              AdapterWait::Up);
    EXPECT_EQ(looks.times, (std::vector<Clock::Duration>{0ms, 25ms, 50ms, 75ms, 100ms}));
}

TEST(WaitForAdapterUp, NotSeenThreeSecondsAfterTheLaunch_AtTheDeadlineNotPastIt) {
    ManualClock clock;
    const Clock::TimePoint launched = clock.now();
    clock.advance(1010ms);  // the launch itself took a while
    Looks looks(clock, {Adapters{kEthernet}}, 15ms);
    EXPECT_EQ(waitForAdapterUp(clock, launched, looks.listing(), "KorvaneTun1234",
                               "172.19.34.29/30", kRunning),
              AdapterWait::NotSeen);
    EXPECT_EQ(looks.times.back(), 1975ms);
    EXPECT_EQ(clock.now() - launched, 3s);
}

TEST(WaitForAdapterUp, AnExitComesFirst_EvenWithTheAdapterUp_AFailedCheckIsTheResult) {
    ManualClock clock;
    int checks = 0;
    Looks looks(clock, {Adapters{}, Adapters{kTun}});
    const auto exitsAtTheSecondCheck = [&]() -> Result<bool> { return ++checks < 2; };
    EXPECT_EQ(waitForAdapterUp(clock, clock.now(), looks.listing(), "KorvaneTun1234",
                               "172.19.34.29/30", exitsAtTheSecondCheck),
              AdapterWait::Exited);
    EXPECT_EQ(looks.times.size(), 1u);

    const auto unknown = []() -> Result<bool> { return fail("Access is denied."); };
    EXPECT_EQ(waitForAdapterUp(clock, clock.now(), looks.listing(), "KorvaneTun1234",
                               "172.19.34.29/30", unknown),
              fail("Access is denied."));
}

}  // namespace
}  // namespace korvane::runtime
