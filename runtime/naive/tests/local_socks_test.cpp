#include "runtime/naive/local_socks.h"

#include <gtest/gtest.h>

#include <chrono>

#include "runtime/naive/tests/fake_socks_server.h"

namespace korvane::runtime {
namespace {

using namespace std::chrono_literals;
using test::FakeSocksServer;
using Behaviour = FakeSocksServer::Behaviour;

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
    const auto elapsed = timed([&] { ready = waitForLocalSocks(); });
    EXPECT_TRUE(ready);
    EXPECT_LT(elapsed, 1s);
}

TEST(WaitForLocalSocks, RealTime_GivesUpAfterFiveSeconds) {
    bool ready = true;
    const auto elapsed = timed([&] { ready = waitForLocalSocks(); });
    EXPECT_FALSE(ready);
    EXPECT_GE(elapsed, 5s);
    EXPECT_LT(elapsed, 7s);
}

}  // namespace
}  // namespace korvane::runtime
