#include "service/host/exit_code_text.h"

#include <gtest/gtest.h>

namespace korvane::service {
namespace {

TEST(ExitCodeText, IsDecimalWhileTheHighestBitIsClear) {
    EXPECT_EQ(exitCodeText(0), "exit code: 0");
    EXPECT_EQ(exitCodeText(1060), "exit code: 1060");
    EXPECT_EQ(exitCodeText(0x7FFFFFFF), "exit code: 2147483647");
}

TEST(ExitCodeText, IsEightLowerCaseHexDigitsWithTheHighestBitSet) {
    EXPECT_EQ(exitCodeText(0x80000000), "exit code: 0x80000000");
    EXPECT_EQ(exitCodeText(0xC0000005), "exit code: 0xc0000005");
    EXPECT_EQ(exitCodeText(0xFFFFFFFF), "exit code: 0xffffffff");
}

}  // namespace
}  // namespace korvane::service
