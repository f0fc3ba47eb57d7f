#include <gtest/gtest.h>

#include <limits>

#include "runtime/records/found_description.h"

namespace korvane::runtime {
namespace {

std::string describeFloat(double value) {
    JsonNumber number;
    number.kind = JsonNumber::Kind::floatingPoint;
    number.floatValue = value;
    return describeNumber(number);
}

TEST(DescribeNumber, IntegersAsWritten) {
    JsonNumber number;
    number.unsignedValue = std::numeric_limits<std::uint64_t>::max();
    EXPECT_EQ(describeNumber(number), "integer `18446744073709551615`");
    number.kind = JsonNumber::Kind::signedInteger;
    number.signedValue = std::numeric_limits<std::int64_t>::min();
    EXPECT_EQ(describeNumber(number), "integer `-9223372036854775808`");
}

TEST(DescribeNumber, FloatsInPlainDecimalWithADecimalPoint) {
    EXPECT_EQ(describeFloat(443.0), "floating point `443.0`");
    EXPECT_EQ(describeFloat(-0.0), "floating point `-0.0`");
    EXPECT_EQ(describeFloat(0.1), "floating point `0.1`");
    EXPECT_EQ(describeFloat(-2.5), "floating point `-2.5`");
    EXPECT_EQ(describeFloat(1.5e-7), "floating point `0.00000015`");
    EXPECT_EQ(describeFloat(1e20), "floating point `100000000000000000000.0`");
    EXPECT_EQ(describeFloat(18446744073709551616.0), "floating point `18446744073709552000.0`");
    EXPECT_EQ(describeFloat(123.456), "floating point `123.456`");
}

TEST(DescribeString, EscapesQuotesBackslashesAndInvisibleCharacters) {
    EXPECT_EQ(describeString("a\nb\t\"q\" \\ '"), R"(string "a\nb\t\"q\" \\ '")");
    EXPECT_EQ(describeString(std::string_view("\0\r", 2)), R"(string "\0\r")");
    EXPECT_EQ(describeString("\x07\xE2\x80\x8B"), R"(string "\u{7}\u{200b}")");
    EXPECT_EQ(describeString("\x7F\xC2\xA0\xC2\xAD"), R"(string "\u{7f}\u{a0}\u{ad}")");
    // A combining accent would fuse with the character before it.
    EXPECT_EQ(describeString("e\xCC\x81"), R"(string "e\u{301}")");
    // Unassigned and private-use code points.
    EXPECT_EQ(describeString("\xF3\xB0\x80\x80\xCD\xB8"), R"(string "\u{f0000}\u{378}")");
}

TEST(DescribeString, KeepsPrintableTextAsIs) {
    EXPECT_EQ(describeString(""), R"(string "")");
    EXPECT_EQ(describeString("h\xC3\xA9llo \xE4\xB8\x96 \xF0\x9F\x98\x80 /"),
              "string \"h\xC3\xA9llo \xE4\xB8\x96 \xF0\x9F\x98\x80 /\"");
}

}  // namespace
}  // namespace korvane::runtime
