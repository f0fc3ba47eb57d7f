#include "runtime/process/log_tail.h"

#include <gtest/gtest.h>

#include <string>

namespace korvane::runtime {
namespace {

TEST(FormatLogTail, JoinsTheNonEmptyLinesOldestFirst) {
    EXPECT_EQ(formatLogTail("--- starting naive ---\na\n\n  \nb\n"),
              " Last log lines: --- starting naive --- | a | b");
    EXPECT_EQ(formatLogTail("only line without end"), " Last log lines: only line without end");
}

TEST(FormatLogTail, KeepsTheLastEightLines) {
    std::string log;
    for (int i = 1; i <= 20; ++i) {
        log += "line " + std::to_string(i) + "\n\n";
    }
    EXPECT_EQ(formatLogTail(log),
              " Last log lines: line 13 | line 14 | line 15 | line 16 | line 17 | line 18 | "
              "line 19 | line 20");
}

TEST(FormatLogTail, TrimsUnicodeWhiteSpaceAndCarriageReturns) {
    EXPECT_EQ(formatLogTail(" \tone\t \r\n\xE2\x80\x83two\xC2\xA0\r\n"),
              " Last log lines: one | two");
    // A carriage return inside a line is not a line end.
    EXPECT_EQ(formatLogTail("a\rb\n"), " Last log lines: a\rb");
}

TEST(FormatLogTail, EmptyForBlankOrNonUtf8Content) {
    EXPECT_EQ(formatLogTail(""), "");
    EXPECT_EQ(formatLogTail("\n \n\t\r\n"), "");
    EXPECT_EQ(formatLogTail("fine\nbroken \xFF byte\n"), "");
}

}  // namespace
}  // namespace korvane::runtime
