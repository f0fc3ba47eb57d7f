#include "service/http/http_request.h"

#include <gtest/gtest.h>

#include <string>

namespace korvane::service {
namespace {

HttpRequest parsed(std::string_view received) {
    auto request = parseHttpRequest(received);
    EXPECT_TRUE(request) << request.error();
    return request.value_or(HttpRequest{});
}

std::string failure(std::string_view received) {
    const auto request = parseHttpRequest(received);
    EXPECT_FALSE(request);
    return request ? std::string("(parsed)") : request.error();
}

TEST(ParseHttpRequest, SplitsTheRequestLineOnUnicodeWhiteSpace) {
    auto request = parsed("POST /start HTTP/1.1\r\nHost: localhost\r\n\r\n{}");
    EXPECT_EQ(request.method, "POST");
    EXPECT_EQ(request.path, "/start");
    EXPECT_EQ(request.body, "{}");

    // Tabs, vertical tab, form feed, a lone CR, NEL and the ideographic space.
    request = parsed(" \tGET\v\f /health\r\xC2\x85HTTP/1.1\xE3\x80\x80 extra\r\n\r\n");
    EXPECT_EQ(request.method, "GET");
    EXPECT_EQ(request.path, "/health");

    // A head without LF is its own request line; header lines are not it.
    request = parsed("GET /health\r\n\r\n");
    EXPECT_EQ(request.path, "/health");
    request = parsed("GET\r\nX: POST /start\r\n\r\n");
    EXPECT_EQ(request.method, "GET");
    EXPECT_EQ(request.path, "");
    // U+200B is not white space, so it stays part of the token.
    EXPECT_EQ(parsed("GET\xE2\x80\x8B /health\r\n\r\n").method, "GET\xE2\x80\x8B");
}

TEST(ParseHttpRequest, MissingTokensAreEmpty) {
    auto request = parsed("\r\n\r\n");
    EXPECT_EQ(request.method, "");
    EXPECT_EQ(request.path, "");
    request = parsed("   \r\n\r\nbody");
    EXPECT_EQ(request.method, "");
    EXPECT_EQ(request.body, "body");
}

TEST(ParseHttpRequest, BodyIsEverythingAfterTheFirstBlankLine) {
    EXPECT_EQ(parsed("POST /stop HTTP/1.1\r\n\r\n").body, "");
    EXPECT_EQ(parsed("POST /stop HTTP/1.1\r\n\r\nGET /health HTTP/1.1\r\n\r\n").body,
              "GET /health HTTP/1.1\r\n\r\n");
    using namespace std::string_literals;
    EXPECT_EQ(parsed("POST /start\r\n\r\na\0b"s).body, "a\0b"s);
}

TEST(ParseHttpRequest, RejectsBytesThatAreNotUtf8) {
    EXPECT_EQ(failure("GET /health\xFF HTTP/1.1\r\n\r\n"),
              "invalid utf-8 sequence of 1 bytes from index 11");
    // Checked before the blank line is looked for, body included.
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

TEST(ParseHttpRequest, AppliesTheBrowserGuardToTheHead) {
    EXPECT_EQ(failure("POST /stop HTTP/1.1\r\nHost: evil.com\r\n\r\n"), "Request host not allowed");
    EXPECT_EQ(failure("POST /stop HTTP/1.1\r\nOrigin: null\r\n\r\n"), "Request origin not allowed");
    // Only the head is checked: a body is no header.
    EXPECT_TRUE(parseHttpRequest("POST /stop\r\n\r\nHost: evil.com\r\n\r\n"));
}

}  // namespace
}  // namespace korvane::service
