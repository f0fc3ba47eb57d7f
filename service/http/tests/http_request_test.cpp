#include "service/http/http_request.h"

#include <gtest/gtest.h>

#include <string>

namespace korvane::service {
namespace {

using namespace std::string_literals;

HttpRequest parsed(std::string_view received) {
    auto request = parseHttpRequest(received);
    EXPECT_TRUE(request) << request.error();
    return request.value_or(HttpRequest{});
}

std::string failure(std::string_view received) {
    const auto request = parseHttpRequest(received);
    return request ? "(parsed)" : request.error();
}

TEST(ParseHttpRequest, SplitsTheRequestLineOnUnicodeWhiteSpace) {
    // Tabs, vertical tab, form feed, a lone CR, NEL and the ideographic space.
    auto request =
        parsed(" \tPOST\v\f /start\r\xC2\x85HTTP/1.1\xE3\x80\x80x\r\nHost: [::1]\r\n\r\n{}");
    EXPECT_EQ(request.method, "POST");
    EXPECT_EQ(request.path, "/start");
    EXPECT_EQ(request.body, "{}");
    // Header lines are not the request line; U+200B is no white space.
    request = parsed("GET\xE2\x80\x8B\r\nX: POST /start\r\n\r\n");
    EXPECT_EQ(request.method, "GET\xE2\x80\x8B");
    EXPECT_EQ(request.path, "");
}

TEST(ParseHttpRequest, BodyIsEverythingAfterTheFirstBlankLine) {
    EXPECT_EQ(parsed("POST /stop\r\n\r\nGET /health HTTP/1.1\r\n\r\n").body,
              "GET /health HTTP/1.1\r\n\r\n");
    EXPECT_EQ(parsed("POST /start\r\n\r\na\0b"s).body, "a\0b"s);
}

TEST(ParseHttpRequest, RejectsBytesThatAreNotUtf8BeforeAnythingElse) {
    EXPECT_EQ(failure("GET /health\xFF HTTP/1.1\r\n\r\n"),
              "invalid utf-8 sequence of 1 bytes from index 11");
    EXPECT_EQ(failure("POST /start\r\n\r\n{}\xE2\x82"),
              "incomplete utf-8 byte sequence from index 17");
    EXPECT_EQ(failure("GET\xE2\x82"), "incomplete utf-8 byte sequence from index 3");
}

TEST(ParseHttpRequest, RejectsRequestsWithoutBlankLine) {
    for (std::string_view received :
         {"", "GET /health HTTP/1.1\r\n", "GET /health HTTP/1.1\n\n", "GET /health\r\n\r"}) {
        EXPECT_EQ(failure(received), "Invalid HTTP request") << received;
    }
}

TEST(ParseHttpRequest, GuardsTheHeadOnly) {
    EXPECT_EQ(failure("POST /stop\r\nHost: evil.com\r\n\r\n"), "Request host not allowed");
    EXPECT_EQ(parsed("POST /stop\r\n\r\nHost: evil.com\r\n\r\n").path, "/stop");
}

}  // namespace
}  // namespace korvane::service
