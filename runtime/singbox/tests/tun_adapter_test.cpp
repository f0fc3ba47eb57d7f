#include "runtime/singbox/tun_adapter.h"

#include <gtest/gtest.h>

#include <vector>

namespace korvane::runtime {
namespace {

using namespace std::chrono_literals;
using platform::NetworkAdapter;
using Adapters = std::vector<NetworkAdapter>;
using Times = std::vector<Clock::Duration>;

// A listing that answers each look with the next answer (the last one again
// once they run out), takes `cost` of the clock, and notes when it looked.
AdapterListing scripted(ManualClock& clock, std::vector<Result<Adapters>> answers, Times& looks,
                        Clock::Duration cost = 0ms) {
    return [&clock, answers, &looks, cost, start = clock.now()]() -> Result<Adapters> {
        looks.push_back(clock.now() - start);
        clock.advance(cost);
        return answers[std::min(looks.size(), answers.size()) - 1];
    };
}

const NetworkAdapter kTun{L"KorvaneTun1234", true, {"fe80::1/64", "172.19.34.29/30"}};
const NetworkAdapter kEthernet{L"eth0", true, {"192.0.2.2/24"}};
constexpr char kName[] = "KorvaneTun1234";
constexpr char kAddress[] = "172.19.34.29/30";
const auto kRunning = []() -> Result<bool> { return true; };

TEST(WaitUntilAdapterGone, LooksEveryFiftyMillisecondsUntilNoPresentAdapterHasTheName) {
    ManualClock clock;
    Times looks;
    // The name compares without ASCII case; an adapter that is not present
    // (as Wine shows a deleted device) is gone. A look's time is in the pause.
    const auto listing =
        scripted(clock,
                 {Adapters{kEthernet, kTun}, Adapters{NetworkAdapter{L"korvanetun1234", false, {}}},
                  Adapters{kEthernet, NetworkAdapter{L"KorvaneTun1234", false, {}, false}}},
                 looks, 15ms);
    EXPECT_EQ(waitUntilAdapterGone(clock, listing, kName), true);
    EXPECT_EQ(looks, (Times{0ms, 50ms, 100ms}));
}

TEST(WaitUntilAdapterGone, GivesUpAfterTenSeconds_AFailedListingEndsTheWait) {
    ManualClock clock;
    Times looks;
    EXPECT_EQ(waitUntilAdapterGone(clock, scripted(clock, {Adapters{kTun}}, looks), kName), false);
    EXPECT_EQ(looks.size(), 201u);
    EXPECT_EQ(looks.back(), 10s);

    Times failing;
    EXPECT_EQ(waitUntilAdapterGone(
                  clock, scripted(clock, {Adapters{kTun}, fail("No listing")}, failing), kName),
              fail("No listing"));
}

TEST(WaitForAdapterUp, UpOnlyOnceTheNamedAdapterIsUpWithTheAddress) {
    ManualClock clock;
    Times looks;
    // Down; up without the address; another adapter with it; a failed
    // listing; then up with it (the prefix length does not matter).
    const auto listing = scripted(
        clock,
        {Adapters{NetworkAdapter{L"KorvaneTun1234", false, {kAddress}}},
         Adapters{NetworkAdapter{L"KorvaneTun1234", true, {"fe80::1/64"}}},
         Adapters{NetworkAdapter{L"eth1", true, {kAddress}}}, fail("No listing"),
         Adapters{kEthernet, NetworkAdapter{L"KorvaneTun1234", true, {"172.19.34.29/32"}}}},
        looks, 20ms);
    EXPECT_EQ(waitForAdapterUp(clock, clock.now(), listing, kName, kAddress, kRunning),
              AdapterWait::Up);
    EXPECT_EQ(looks, (Times{0ms, 25ms, 50ms, 75ms, 100ms}));
}

TEST(WaitForAdapterUp, NotSeenThreeSecondsAfterTheLaunch_NotPastIt) {
    ManualClock clock;
    const Clock::TimePoint launched = clock.now();
    clock.advance(1010ms);  // the launch itself took a while
    Times looks;
    EXPECT_EQ(waitForAdapterUp(clock, launched, scripted(clock, {Adapters{kEthernet}}, looks, 15ms),
                               kName, kAddress, kRunning),
              AdapterWait::NotSeen);
    EXPECT_EQ(looks.back(), 1975ms);
    EXPECT_EQ(clock.now() - launched, 3s);
}

TEST(WaitForAdapterUp, AnExitComesFirst_EvenWithTheAdapterUp) {
    ManualClock clock;
    Times looks;
    int checks = 0;
    const auto exitsAtTheSecondCheck = [&]() -> Result<bool> { return ++checks < 2; };
    EXPECT_EQ(
        waitForAdapterUp(clock, clock.now(), scripted(clock, {Adapters{}, Adapters{kTun}}, looks),
                         kName, kAddress, exitsAtTheSecondCheck),
        AdapterWait::Exited);
    EXPECT_EQ(looks.size(), 1u);
}

}  // namespace
}  // namespace korvane::runtime
