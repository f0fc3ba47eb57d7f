#include "common/log/log_text.h"

#include <gtest/gtest.h>

namespace korvane::log {
namespace {

TEST(LogText, ControlBytesAreEscapedSoThatOneEventStaysOneLine) {
    EXPECT_EQ(escapeControlBytes("plain text, UTF-8 \xC3\xA9 too"),
              "plain text, UTF-8 \xC3\xA9 too");
    EXPECT_EQ(escapeControlBytes("evil.com\r\n2026-01-01T00:00:00.000Z info forged"),
              "evil.com\\x0D\\x0A2026-01-01T00:00:00.000Z info forged");
    EXPECT_EQ(escapeControlBytes(std::string_view("a\0b\tc\x7F", 6)), "a\\x00b\\x09c\\x7F");
}

TEST(LogText, ClippedKeepsShortValuesAndCutsLongOnesOnASequenceBoundary) {
    EXPECT_EQ(clipped("evil.com", 8), "evil.com");
    EXPECT_EQ(clipped("evil.com:8080", 8), "evil.com...");
    // "\xC3\xA9" is one character: a cut after its first byte takes it out whole.
    EXPECT_EQ(clipped("ab\xC3\xA9", 3), "ab...");
    EXPECT_EQ(clipped("ab\xC3\xA9z", 4), "ab\xC3\xA9...");
    EXPECT_EQ(clipped("\xE2\x82\xAC\xE2\x82\xAC", 5), "\xE2\x82\xAC...");
}

}  // namespace
}  // namespace korvane::log
