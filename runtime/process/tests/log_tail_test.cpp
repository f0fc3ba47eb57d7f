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

TEST(WholeLines, BytesFromTheLogsStartAreKeptWhole) {
    EXPECT_EQ(wholeLines("first\nsecond", false), "first\nsecond");
    EXPECT_EQ(wholeLines("", false), "");
}

TEST(WholeLines, CutBytesLoseTheirFirstPartialLine) {
    EXPECT_EQ(wholeLines("rt of a line\nnext\nlast\n", true), "next\nlast\n");
    EXPECT_EQ(wholeLines("\nnext", true), "next") << "a cut right after a line end loses nothing";
    EXPECT_EQ(wholeLines("no line end at all", true), "");
}

TEST(WholeLines, CharacterCutAtTheStartStillGivesATail) {
    // The first two bytes of "\xE2\x80\x83" (an em space) lie before the cut.
    const std::string lastBytes = "\x83 cut line\nlast line\n";
    EXPECT_EQ(formatLogTail(lastBytes), "") << "not UTF-8 as it stands";
    EXPECT_EQ(formatLogTail(wholeLines(lastBytes, true)), " Last log lines: last line");
}

}  // namespace
}  // namespace korvane::runtime
