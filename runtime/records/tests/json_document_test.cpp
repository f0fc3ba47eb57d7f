#include <gtest/gtest.h>

#include <string>

#include "runtime/records/json_reader.h"

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

}  // namespace
}  // namespace korvane::runtime
