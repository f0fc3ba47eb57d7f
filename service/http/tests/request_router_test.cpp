#include "service/http/request_router.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "service/http/http_response.h"
#include "service/http/tests/recording_handlers.h"

namespace korvane::service {
namespace {

using Calls = std::vector<std::string>;

class RequestRouter : public ::testing::Test {
  protected:
    Result<std::string> serve(std::string_view received) {
        return serveRequest(received, handlers);
    }
    std::string failure(std::string_view received) {
        const auto outcome = serve(received);
        return outcome ? "(answered " + *outcome + ")" : outcome.error();
    }

    testing::RecordingHandlers handlers;
};

TEST_F(RequestRouter, RoutesTheThreeCommands) {
    EXPECT_EQ(serve("GET /health HTTP/1.1\r\n\r\n"), R"({"healthy":true})");
    // The body of a stop is never read; a pipelined request in it is never answered.
    EXPECT_EQ(serve("POST /stop HTTP/1.1\r\n\r\nGET /health HTTP/1.1\r\n\r\n"), "{}");
    EXPECT_EQ(serve("POST /start HTTP/1.1\r\n\r\n{\"settings\":{},\"server\":[]}"),
              R"({"started":true})");
    EXPECT_EQ(handlers.calls(), (Calls{"health", "stop", "start {} []"}));

    handlers.failWith("Stop failed.");
    EXPECT_EQ(failure("POST /stop\r\n\r\n"), "Stop failed.");
}

TEST_F(RequestRouter, RefusesEverythingElseWithoutCallingAHandler) {
    for (std::string_view received :
         {"get /health HTTP/1.1\r\n\r\n", "GET /health/ HTTP/1.1\r\n\r\n",
          "GET /health?x=1 HTTP/1.1\r\n\r\n", "GET /%68ealth HTTP/1.1\r\n\r\n",
          "GET /start HTTP/1.1\r\n\r\n", "PUT /stop HTTP/1.1\r\n\r\n", "POST\r\n\r\n",
          "\r\n\r\n"}) {
        EXPECT_EQ(failure(received), "Unknown service command") << received;
    }
    EXPECT_EQ(failure("POST /stop\r\nOrigin: http://evil.com\r\n\r\n"),
              "Request origin not allowed");
    EXPECT_EQ(handlers.calls(), Calls{});
}

TEST_F(RequestRouter, HandsOnCompactSortedMembers) {
    // Numbers keep their kind (-0 reads as floating point); a repeated key keeps its last value.
    EXPECT_TRUE(
        serve("POST /start\r\n\r\n \r\n\t{\"server\": {\"port\": 443, \"host\": \"h\"},\n"
              " \"extra\": 1, \"settings\": {\"b\": [1, 2.5, true], \"a\": {\"y\": null, "
              "\"x\": \"\xC3\xA9\\n\"}, \"B\": -0}}\r\n"));
    EXPECT_TRUE(
        serve("POST /start\r\n\r\n{\"settings\":{\"a\":1,\"a\":2},\"server\":1,\"server\":\"s\"}"));
    EXPECT_EQ(
        handlers.calls(),
        (Calls{"start {\"B\":-0.0,\"a\":{\"x\":\"\xC3\xA9\\n\",\"y\":null},\"b\":[1,2.5,true]} "
               "{\"host\":\"h\",\"port\":443}",
               "start {\"a\":2} \"s\""}));
}

TEST_F(RequestRouter, ReportsStartBodiesItCannotHandOn) {
    for (std::string_view body : {"[]", "\"settings\"", "{}", "{\"server\":{}}"}) {
        EXPECT_EQ(failure("POST /start\r\n\r\n" + std::string(body)), "Missing settings payload")
            << body;
    }
    EXPECT_EQ(failure("POST /start\r\n\r\n{\"settings\":{}}"), "Missing server payload");
    // Two requests sent together: the second one trails the first one's body.
    EXPECT_EQ(
        failure(
            "POST /start HTTP/1.1\r\n\r\n{\"settings\":{}, \"server\":{}} GET /health HTTP/1.1"),
        "Invalid start payload: trailing characters at line 1 column 30");
    EXPECT_TRUE(failure("POST /start\r\n\r\n").starts_with("Invalid start payload: "));
    EXPECT_EQ(handlers.calls(), Calls{});
}

TEST(BuildResponse, WritesStatusHeadersAndBodyLengthInBytes) {
    EXPECT_EQ(buildResponse(std::string("{}")),
              "HTTP/1.1 200 OK\r\n"
              "Content-Type: application/json; charset=utf-8\r\n"
              "Content-Length: 2\r\n"
              "Connection: close\r\n"
              "\r\n"
              "{}");
    EXPECT_EQ(buildResponse(fail("\xC3\xA9t\xC3\xA9")),
              "HTTP/1.1 500 Error\r\n"
              "Content-Type: application/json; charset=utf-8\r\n"
              "Content-Length: 5\r\n"
              "Connection: close\r\n"
              "\r\n"
              "\xC3\xA9t\xC3\xA9");
}

}  // namespace
}  // namespace korvane::service
