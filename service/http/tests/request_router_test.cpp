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
    EXPECT_EQ(serve("POST /stop HTTP/1.1\r\nContent-Length: 0\r\n\r\n"), "{}");
    EXPECT_EQ(serve("POST /start HTTP/1.1\r\n\r\n{\"settings\":{},\"server\":[]}"),
              R"({"started":true})");
    EXPECT_EQ(handlers.calls(), (Calls{"health", "stop", "start {} []"}));
}

TEST_F(RequestRouter, RefusesEverythingElseWithoutCallingAHandler) {
    for (std::string_view received :
         {"get /health HTTP/1.1\r\n\r\n", "GET /health/ HTTP/1.1\r\n\r\n",
          "GET /health?x=1 HTTP/1.1\r\n\r\n", "GET /%68ealth HTTP/1.1\r\n\r\n",
          "GET /start HTTP/1.1\r\n\r\n", "POST /health HTTP/1.1\r\n\r\n",
          "PUT /stop HTTP/1.1\r\n\r\n", "POST\r\n\r\n", "\r\n\r\n",
          "HTTP/1.1 POST /stop\r\n\r\n"}) {
        EXPECT_EQ(failure(received), "Unknown service command") << received;
    }
    EXPECT_EQ(failure(""), "Invalid HTTP request");
    EXPECT_EQ(failure("POST /stop\r\nOrigin: http://evil.com\r\n\r\n"),
              "Request origin not allowed");
    EXPECT_EQ(handlers.calls(), Calls{});
}

TEST_F(RequestRouter, PassesHandlerFailuresUnchanged) {
    handlers.answerStart(fail("naive.exe did not start."));
    handlers.answerStop(fail("Stop failed."));
    handlers.answerHealth(fail("Health failed."));
    EXPECT_EQ(failure("POST /start\r\n\r\n{\"settings\":1,\"server\":2}"),
              "naive.exe did not start.");
    EXPECT_EQ(failure("POST /stop\r\n\r\n"), "Stop failed.");
    EXPECT_EQ(failure("GET /health\r\n\r\n"), "Health failed.");
}

TEST_F(RequestRouter, StopNeverReadsItsBody) {
    EXPECT_EQ(serve("POST /stop HTTP/1.1\r\n\r\nnot json \x01"), "{}");
    // A pipelined second request is just body bytes: it is never answered.
    EXPECT_EQ(serve("POST /stop HTTP/1.1\r\n\r\nGET /health HTTP/1.1\r\n\r\n"), "{}");
    EXPECT_EQ(handlers.calls(), (Calls{"stop", "stop"}));
}

TEST_F(RequestRouter, HandsOnCompactSortedMembers) {
    EXPECT_TRUE(
        serve("POST /start HTTP/1.1\r\n\r\n \r\n\t{\"server\": {\"port\": 443, \"host\": \"h\"},\n"
              " \"extra\": [1], \"settings\": {\"b\": [1, 2.5, true], \"a\": {\"y\": null, "
              "\"x\": \"\xC3\xA9\\n\"}, \"B\": -0}}\r\n"));
    EXPECT_TRUE(
        serve("POST /start\r\n\r\n{\"settings\":{\"a\":1,\"a\":2},\"server\":1,\"server\":\"s\"}"));
    EXPECT_EQ(
        handlers.calls(),
        (Calls{"start {\"B\":-0.0,\"a\":{\"x\":\"\xC3\xA9\\n\",\"y\":null},\"b\":[1,2.5,true]} "
               "{\"host\":\"h\",\"port\":443}",
               "start {\"a\":2} \"s\""}));
}

TEST_F(RequestRouter, ReportsMissingMembers) {
    for (std::string_view body : {"[]", "[1,2]", "\"settings\"", "{}", "{\"server\":{}}", "null"}) {
        EXPECT_EQ(failure("POST /start\r\n\r\n" + std::string(body)), "Missing settings payload")
            << body;
    }
    EXPECT_EQ(failure("POST /start\r\n\r\n{\"settings\":{}}"), "Missing server payload");
    EXPECT_EQ(handlers.calls(), Calls{});
}

TEST_F(RequestRouter, ReportsBodiesThatAreNotOneJsonValue) {
    // Two requests sent together: the second one trails the first one's body.
    EXPECT_EQ(
        failure(
            "POST /start HTTP/1.1\r\n\r\n{\"settings\":{}, \"server\":{}} GET /health HTTP/1.1"),
        "Invalid start payload: trailing characters at line 1 column 30");
    for (std::string_view body : {"", "{\"settings\":", "{\"settings\":{}, \"server\":{}"}) {
        const std::string error = failure("POST /start\r\n\r\n" + std::string(body));
        EXPECT_TRUE(error.starts_with("Invalid start payload: ") &&
                    error.contains(" at line 1 column "))
            << error;
    }
    EXPECT_TRUE(failure("POST /start\r\n\r\n").ends_with(" at line 1 column 0"));
    EXPECT_TRUE(failure("POST /start\r\n\r\n{\"settings\":").ends_with(" column 12"));
    EXPECT_EQ(handlers.calls(), Calls{});
}

TEST_F(RequestRouter, LimitsNestingTo127) {
    const auto nested = [](int arrays) {
        return "POST /start\r\n\r\n{\"server\":0,\"settings\":" + std::string(arrays, '[') +
               std::string(arrays, ']') + "}";
    };
    EXPECT_TRUE(serve(nested(126)));
    EXPECT_TRUE(failure(nested(127)).starts_with("Invalid start payload: "));
}

TEST(BuildResponse, WritesStatusHeadersAndBody) {
    EXPECT_EQ(buildResponse(std::string("{}")),
              "HTTP/1.1 200 OK\r\n"
              "Content-Type: application/json; charset=utf-8\r\n"
              "Content-Length: 2\r\n"
              "Connection: close\r\n"
              "\r\n"
              "{}");
    EXPECT_EQ(buildResponse(fail("Unknown service command")),
              "HTTP/1.1 500 Error\r\n"
              "Content-Type: application/json; charset=utf-8\r\n"
              "Content-Length: 23\r\n"
              "Connection: close\r\n"
              "\r\n"
              "Unknown service command");
}

TEST(BuildResponse, CountsBodyBytes) {
    EXPECT_TRUE(buildResponse(fail("\xC3\xA9t\xC3\xA9")).contains("\r\nContent-Length: 5\r\n"));
    EXPECT_TRUE(buildResponse(std::string())
                    .ends_with("\r\nContent-Length: 0\r\nConnection: close\r\n\r\n"));
}

}  // namespace
}  // namespace korvane::service
