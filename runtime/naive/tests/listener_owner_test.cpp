#include "runtime/naive/listener_owner.h"

#include <gtest/gtest.h>

#include <vector>

namespace korvane::runtime {
namespace {

using Address = ListenerRow::Address;
using Rows = std::vector<ListenerRow>;

constexpr std::uint16_t kPort = 1080;
constexpr std::uint32_t kOurs = 4242;

ListenerOwner ownerOf(const Rows& rows, std::uint32_t ourId = kOurs) {
    return loopbackListenerOwner(rows, kPort, ourId);
}

TEST(LoopbackListenerOwner, OurListenerAloneIsOurs) {
    EXPECT_EQ(ownerOf({{Address::loopback, kPort, kOurs}}), ListenerOwner::ours);
    // Listeners elsewhere do not matter: another port, another address.
    EXPECT_EQ(ownerOf({{Address::loopback, kPort, kOurs},
                       {Address::loopback, 1081, 7},
                       {Address::other, kPort, 7}}),
              ListenerOwner::ours);
}

TEST(LoopbackListenerOwner, AnyOtherOwnerThatCouldTakeTheConnectionWins) {
    EXPECT_EQ(ownerOf({{Address::loopback, kPort, 7}}), ListenerOwner::someoneElse);
    // Beside ours on the same address (address reuse) or on a wildcard one.
    EXPECT_EQ(ownerOf({{Address::loopback, kPort, kOurs}, {Address::loopback, kPort, 7}}),
              ListenerOwner::someoneElse);
    EXPECT_EQ(ownerOf({{Address::loopback, kPort, kOurs}, {Address::any, kPort, 7}}),
              ListenerOwner::someoneElse);
    EXPECT_EQ(ownerOf({{Address::any, kPort, 7}}), ListenerOwner::someoneElse);
    // A known other owner counts even beside a row without one.
    EXPECT_EQ(ownerOf({{Address::loopback, kPort, 0}, {Address::any, kPort, 7}}),
              ListenerOwner::someoneElse);
}

TEST(LoopbackListenerOwner, NoRowOrNoOwnerIsUnknown) {
    EXPECT_EQ(ownerOf({}), ListenerOwner::unknown);
    EXPECT_EQ(ownerOf({{Address::other, kPort, kOurs}, {Address::loopback, 1081, kOurs}}),
              ListenerOwner::unknown);
    // Wine reports no owner for any row.
    EXPECT_EQ(ownerOf({{Address::loopback, kPort, 0}}), ListenerOwner::unknown);
    EXPECT_EQ(ownerOf({{Address::loopback, kPort, kOurs}, {Address::any, kPort, 0}}),
              ListenerOwner::unknown);
}

TEST(LoopbackListenerOwner, WithoutAProcessOfOursEveryKnownOwnerIsSomeoneElse) {
    EXPECT_EQ(ownerOf({{Address::loopback, kPort, 7}}, 0), ListenerOwner::someoneElse);
    EXPECT_EQ(ownerOf({{Address::loopback, kPort, 0}}, 0), ListenerOwner::unknown);
}

}  // namespace
}  // namespace korvane::runtime
