#include "common/result.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <type_traits>

namespace korvane {
namespace {

Status failing() {
    return fail("disk full");
}

Result<int> number(bool ok) {
    if (!ok) {
        return fail("no number");
    }
    return 7;
}

Status passesUp(const Status& step, int& reached) {
    KORVANE_TRY(step);
    ++reached;
    return {};
}

Result<int> doubled(bool ok) {
    KORVANE_TRY_ASSIGN(const int value, number(ok));
    return value * 2;
}

Result<std::string> twoSteps(bool first, bool second) {
    KORVANE_TRY_ASSIGN(const int a, number(first));
    KORVANE_TRY_ASSIGN(const int b, number(second));
    return std::to_string(a + b);
}

TEST(Try, PassesTheFailureUpUnchangedAndStopsThere) {
    int reached = 0;
    EXPECT_EQ(passesUp(failing(), reached).error(), "disk full");
    EXPECT_EQ(reached, 0);
    EXPECT_TRUE(passesUp(Status{}, reached).has_value());
    EXPECT_EQ(reached, 1);
}

TEST(TryAssign, InitialisesTheTargetOrPassesTheFailureUp) {
    EXPECT_EQ(doubled(true), 14);
    EXPECT_EQ(doubled(false).error(), "no number");
    EXPECT_EQ(twoSteps(true, true), "14");
    EXPECT_EQ(twoSteps(true, false).error(), "no number");
}

TEST(TryAssign, MovesTheValueOut) {
    const auto owner = []() -> Result<std::unique_ptr<int>> {
        KORVANE_TRY_ASSIGN(auto pointer, Result<std::unique_ptr<int>>(std::make_unique<int>(3)));
        return pointer;
    };
    const auto result = owner();
    ASSERT_TRUE(result.has_value());
    EXPECT_EQ(**result, 3);
}

TEST(Result, ConvertsLikeTheExpectedItIs) {
    // What std::expected's own operations return becomes a Result again.
    const Result<int> fromBase = std::expected<int, std::string>(5);
    EXPECT_EQ(fromBase, 5);
    const Result<long> widened = number(true);
    EXPECT_EQ(widened, 7L);
    EXPECT_EQ(number(false).value_or(-1), -1);
    const std::expected<int, std::string>& base = number(false);
    EXPECT_EQ(base.error(), "no number");
    static_assert(std::is_same_v<Status, Result<void>>);
}

TEST(Result, ABoolResultKeepsFailureAndAnswerApart) {
    const Result<bool> no = false;
    EXPECT_TRUE(no.has_value());
    EXPECT_EQ(no, false);
    const Result<bool> broken = fail("query failed");
    EXPECT_FALSE(broken.has_value());
    // A copy of a Result<bool> is the same Result, not its has_value().
    const Result<bool> copied = broken;
    EXPECT_FALSE(copied.has_value());
}

}  // namespace
}  // namespace korvane
