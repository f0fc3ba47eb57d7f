#include "runtime/naive/local_socks.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <chrono>

#include "runtime/naive/tests/fake_socks_server.h"

namespace korvane::runtime {
namespace {

using namespace std::chrono_literals;
using test::FakeSocksServer;
using Behaviour = FakeSocksServer::Behaviour;
using Address = ListenerRow::Address;
using Rows = std::optional<std::vector<ListenerRow>>;

// The fake server runs in this process.
const std::uint32_t kThisProcess = ::GetCurrentProcessId();

// A table with one listener on port 1080.
ListenerTable oneListener(Address address, std::uint32_t ownerId) {
    return [=] { return Rows(std::vector<ListenerRow>{{address, 1080, ownerId}}); };
}

const ListenerTable kNoTable = [] { return Rows(); };

std::chrono::steady_clock::duration timed(const std::function<void()>& action) {
    const auto start = std::chrono::steady_clock::now();
    action();
    return std::chrono::steady_clock::now() - start;
}

TEST(ProbeLocalSocks, ReadyForAnyMethodButTheRefusal) {
    for (const unsigned char method : {0x00, 0x02, 0x80}) {
        FakeSocksServer server(Behaviour::Answer, method);
        ASSERT_TRUE(server.listening());
        EXPECT_TRUE(probeLocalSocks()) << "method " << int(method);
    }
    FakeSocksServer refusing(Behaviour::Answer, 0xFF);
    ASSERT_TRUE(refusing.listening());
    EXPECT_FALSE(probeLocalSocks());
}

TEST(ProbeLocalSocks, NotReadyWhenNothingListensOrTheServerCloses) {
    EXPECT_FALSE(probeLocalSocks());
    FakeSocksServer closing(Behaviour::CloseAtOnce);
    ASSERT_TRUE(closing.listening());
    EXPECT_FALSE(probeLocalSocks());
}

TEST(ProbeLocalSocks, SilentServerTimesOutAfterAboutSevenHundredMilliseconds) {
    FakeSocksServer silent(Behaviour::NeverAnswer);
    ASSERT_TRUE(silent.listening());
    bool ready = true;
    const auto elapsed = timed([&] { ready = probeLocalSocks(); });
    EXPECT_FALSE(ready);
    EXPECT_GE(elapsed, 600ms);
    EXPECT_LT(elapsed, 2s);
}

TEST(WaitForLocalSocks, ReadyServerAnswersAtOnce) {
    FakeSocksServer server(Behaviour::Answer);
    ASSERT_TRUE(server.listening());
    bool ready = false;
    const auto elapsed = timed([&] { ready = waitForLocalSocks(kThisProcess); });
    EXPECT_TRUE(ready);
    EXPECT_LT(elapsed, 1s);
}

TEST(WaitForLocalSocks, RealTime_GivesUpAfterFiveSeconds) {
    bool ready = true;
    const auto elapsed = timed([&] { ready = waitForLocalSocks(kThisProcess); });
    EXPECT_FALSE(ready);
    EXPECT_GE(elapsed, 5s);
    EXPECT_LT(elapsed, 7s);
}

TEST(LocalSocksReadyFor, AnAnswerCountsUnlessAnotherProcessIsKnownToListen) {
    FakeSocksServer server(Behaviour::Answer);
    ASSERT_TRUE(server.listening());
    EXPECT_TRUE(localSocksReadyFor(kThisProcess, oneListener(Address::loopback, kThisProcess)));
    EXPECT_FALSE(localSocksReadyFor(kThisProcess, oneListener(Address::loopback, 7)));
    // Owner unknown: no table, or no owner in it.
    EXPECT_TRUE(localSocksReadyFor(kThisProcess, kNoTable));
    EXPECT_TRUE(localSocksReadyFor(kThisProcess, oneListener(Address::loopback, 0)));
}

TEST(LocalSocksReadyFor, NoAnswerIsNotReadyWhatEverTheTableSays) {
    EXPECT_FALSE(localSocksReadyFor(kThisProcess, oneListener(Address::loopback, kThisProcess)));
    FakeSocksServer refusing(Behaviour::Answer, 0xFF);
    ASSERT_TRUE(refusing.listening());
    EXPECT_FALSE(localSocksReadyFor(kThisProcess, kNoTable));
}

TEST(WaitForLocalSocks, ListenerOfAnotherProcessIsNeverReady) {
    FakeSocksServer server(Behaviour::Answer);
    ASSERT_TRUE(server.listening());
    ManualClock clock;
    const auto begin = clock.now();
    EXPECT_FALSE(
        waitForLocalSocks(kThisProcess, clock, oneListener(Address::any, kThisProcess + 1)));
    EXPECT_GE(clock.now() - begin, 5s) << "the whole wait";
}

TEST(SystemListenerTable, ListsTheLoopbackListenerOnItsPortWithThisProcessOrNoOwner) {
    FakeSocksServer server(Behaviour::Answer);
    ASSERT_TRUE(server.listening());
    const Rows rows = systemListenerTable();
    ASSERT_TRUE(rows.has_value());
    const auto ours = std::find_if(rows->begin(), rows->end(), [](const ListenerRow& row) {
        return row.port == 1080 && row.address == Address::loopback;
    });
    ASSERT_NE(ours, rows->end());
    EXPECT_TRUE(ours->ownerId == kThisProcess || ours->ownerId == 0) << ours->ownerId;
}

}  // namespace
}  // namespace korvane::runtime
