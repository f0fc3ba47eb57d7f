#include <gtest/gtest.h>

#include <string>

#include "runtime/records/json_document.h"

namespace korvane::runtime {
namespace {

std::string errorOf(std::string_view text) {
    const auto parsed = parseJsonDocument(text);
    return parsed ? "parsed: " + parsed->dump() : parsed.error();
}

TEST(ParseJsonDocument, ReadsValuesAndKeepsTheLastOfARepeatedKey) {
    const auto parsed = parseJsonDocument(
        R"( {"b":[1,-2,3.5,true,null,"x\u00e9\ud83d\ude00"],"a":1,"a":{"z":2}} )");
    ASSERT_TRUE(parsed) << parsed.error();
    EXPECT_EQ(parsed->dump(), R"({"a":{"z":2},"b":[1,-2,3.5,true,null,"xé😀"]})");
}

TEST(ParseJsonDocument, ReportsSyntaxErrorsWithTheirPosition) {
    EXPECT_EQ(errorOf(""), "EOF while parsing a value at line 1 column 0");
    EXPECT_EQ(errorOf("{\"settings\":"), "EOF while parsing a value at line 1 column 12");
    EXPECT_EQ(errorOf("{\"settings\":{}, \"server\":{}} GET /health HTTP/1.1"),
              "trailing characters at line 1 column 30");
    EXPECT_EQ(errorOf("\xEF\xBB\xBF{}"), "expected value at line 1 column 1");
    EXPECT_EQ(errorOf("[1,2"), "EOF while parsing a list at line 1 column 4");
    EXPECT_EQ(errorOf("{\"a\":1"), "EOF while parsing an object at line 1 column 6");
    EXPECT_EQ(errorOf("\"ab"), "EOF while parsing a string at line 1 column 3");
    EXPECT_EQ(errorOf("[1,]"), "trailing comma at line 1 column 4");
    EXPECT_EQ(errorOf("{\n  \"a\" 1}"), "expected `:` at line 2 column 7");
}

TEST(ParseJsonDocument, KeepsNumberKindsSoThatTheyPrintBackAlike) {
    const auto parsed =
        parseJsonDocument("[0,18446744073709551615,-9223372036854775808,443.0,-0,1e2]");
    ASSERT_TRUE(parsed) << parsed.error();
    EXPECT_EQ(parsed->dump(), "[0,18446744073709551615,-9223372036854775808,443.0,-0.0,100.0]");
}

TEST(ParseJsonDocument, AllowsOnlySpaceTabCrLfAroundTheValue) {
    EXPECT_TRUE(parseJsonDocument(" \t\r\n{}\r\n\t "));
    EXPECT_EQ(errorOf("{}\f"), "trailing characters at line 1 column 3");
    EXPECT_EQ(errorOf("{}\n\n  x"), "trailing characters at line 3 column 3");
    EXPECT_EQ(errorOf("\v{}"), "expected value at line 1 column 1");
}

TEST(ParseJsonDocument, Allows127NestedLevelsNot128) {
    EXPECT_TRUE(parseJsonDocument(std::string(127, '[') + std::string(127, ']')));
    EXPECT_EQ(errorOf(std::string(128, '[') + std::string(128, ']')),
              "recursion limit exceeded at line 1 column 128");
    EXPECT_EQ(errorOf(std::string(127, '[') + "{" + std::string(127, ']')),
              "recursion limit exceeded at line 1 column 128");
}

TEST(ParseJsonDocument, AClosedContainerGivesItsLevelBack) {
    // Many siblings at the deepest level: each one's level ends with it.
    const std::string deepest = std::string(126, '[') + "[],[],{},[]" + std::string(126, ']');
    EXPECT_TRUE(parseJsonDocument(deepest));
    std::string siblings = "[";
    for (int i = 0; i < 200; ++i) {
        siblings += std::string(i == 0 ? "" : ",") + std::string(126, '[') + std::string(126, ']');
    }
    EXPECT_TRUE(parseJsonDocument(siblings + "]"));
}

TEST(ParseJsonDocument, RefusesStringsThatCouldNotBePrintedAgain) {
    // Printing such a tree would fail, so the reader never hands one out.
    EXPECT_EQ(errorOf("[\"a\xC3\"]"), "invalid unicode code point at line 1 column 5");
    EXPECT_EQ(errorOf(R"(["\udfff"])"), "lone leading surrogate in hex escape at line 1 column 8");
    EXPECT_EQ(errorOf(R"({"\ud83d":1})"), "unexpected end of hex escape at line 1 column 9");
}

}  // namespace
}  // namespace korvane::runtime
