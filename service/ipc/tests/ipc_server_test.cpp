#include "service/ipc/ipc_server.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "platform/os_error.h"
#include "service/http/tests/recording_handlers.h"
#include "tests/support/loopback.h"

namespace korvane::service {
namespace {

using namespace std::chrono_literals;
using Calls = std::vector<std::string>;
using test::LoopbackClient;
using Stopwatch = std::chrono::steady_clock;

std::string response(int code, std::string_view body) {
    return std::string(code == 200 ? "HTTP/1.1 200 OK\r\n" : "HTTP/1.1 500 Error\r\n") +
           "Content-Type: application/json; charset=utf-8\r\nContent-Length: " +
           std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + std::string(body);
}

std::string bodyOf(const std::string& answer) {
    const auto blank = answer.find("\r\n\r\n");
    return blank == std::string::npos ? "(no answer: " + answer + ")" : answer.substr(blank + 4);
}

// The endpoint on a port of its own, on a thread of its own.
class IpcServer : public ::testing::Test {
  protected:
    void SetUp() override {
        port_ = test::freeLoopbackPort();
        result_ = std::async(std::launch::async, [this] {
            return runIpcServer(stopFlag_, handlers, port_, systemClock());
        });
    }

    // The tests that care about the server's outcome check stop() themselves.
    void TearDown() override { (void)stop(); }

    Status stop() {
        stopFlag_->store(true);
        return result_.valid() ? result_.get() : Status{};
    }

    // One whole exchange: connect, send, read the answer.
    std::string exchange(std::string_view request) {
        LoopbackClient client(port_);
        EXPECT_TRUE(client.connected());
        client.send(request);
        return client.readAll();
    }

    std::uint16_t port_ = 0;
    StopFlag stopFlag_ = std::make_shared<std::atomic<bool>>(false);
    testing::RecordingHandlers handlers;
    std::future<Status> result_;
};

TEST_F(IpcServer, AnswersEachCommandOnItsOwnConnection) {
    // A second request sent along with the first is never answered.
    EXPECT_EQ(exchange("POST /stop HTTP/1.1\r\nHost: 127.0.0.1:49190\r\n\r\n"
                       "GET /health HTTP/1.1\r\n\r\n"),
              response(200, "{}"));
    EXPECT_EQ(exchange("GET /health HTTP/1.1\r\n\r\n"), response(200, R"({"healthy":true})"));
    handlers.failWith("Invalid server payload: missing field `password` at line 1 column 2");
    EXPECT_EQ(exchange("POST /start HTTP/1.1\r\n\r\n{\"server\":{},\"settings\":[]}"),
              response(500, "Invalid server payload: missing field `password` at line 1 column 2"));
    EXPECT_EQ(exchange("GET /start HTTP/1.1\r\n\r\n"), response(500, "Unknown service command"));
    EXPECT_EQ(handlers.calls(), (Calls{"stop", "health", "start [] {}"}));
}

TEST_F(IpcServer, ReassemblesRequestsSentInPieces) {
    const std::string body = R"({"settings":{"mode":"full"},"server":{"port":443}})";
    const std::string head =
        "POST /start HTTP/1.1\r\ncontent-length: " + std::to_string(body.size()) + "\r\n\r\n";
    const std::vector<std::string> pieces = {"POST /st", head.substr(8, head.size() - 9),
                                             head.substr(head.size() - 1) + body.substr(0, 12),
                                             body.substr(12)};
    LoopbackClient client(port_);
    for (const std::string& piece : pieces) {
        client.send(piece);
        std::this_thread::sleep_for(60ms);
    }
    EXPECT_EQ(client.readAll(), response(200, R"({"started":true})"));
    EXPECT_EQ(handlers.calls(), (Calls{R"(start {"mode":"full"} {"port":443})"}));
}

TEST_F(IpcServer, ServesWhatArrivedWhenTheDeadlinePasses) {
    LoopbackClient client(port_);
    const auto started = Stopwatch::now();
    client.send("POST /start HTTP/1.1\r\nContent-Length: 100\r\n\r\n{\"settings\":");
    const std::string answer = client.readAll();
    const auto waited = Stopwatch::now() - started;
    EXPECT_TRUE(bodyOf(answer).starts_with("Invalid start payload: ")) << answer;
    EXPECT_TRUE(bodyOf(answer).ends_with(" at line 1 column 12")) << answer;
    EXPECT_GT(waited, 1500ms);
    EXPECT_LT(waited, 4s);
}

TEST_F(IpcServer, AnswersASilentClientWithTheTimeoutText) {
    LoopbackClient client(port_);
    const auto started = Stopwatch::now();
    const std::string answer = client.readAll();
    const auto waited = Stopwatch::now() - started;
    EXPECT_EQ(answer, response(500, platform::osErrorText(WSAETIMEDOUT)));
    EXPECT_GT(waited, 1500ms);
    EXPECT_LT(waited, 4s);
}

TEST_F(IpcServer, NeverReadsPastTheBuffer) {
    // 300,000 body bytes announced and sent; only the first 262,144 bytes of
    // the request are read, so the JSON string never ends.
    const std::string body = "{\"settings\":\"" + std::string(300'000 - 15, 'x') + "\"}";
    LoopbackClient client(port_);
    std::thread sender([&] {
        client.send("POST /start HTTP/1.1\r\nContent-Length: " + std::to_string(body.size()) +
                    "\r\n\r\n" + body);
    });
    const std::string answer = client.readAll();
    sender.join();
    // The unread rest may make the endpoint's close reset the connection
    // before the answer is read; when it arrives, it is the parser's.
    if (!answer.empty()) {
        EXPECT_TRUE(bodyOf(answer).starts_with("Invalid start payload: EOF while parsing a string"))
            << answer.substr(0, 200);
    }
    EXPECT_EQ(exchange("GET /health\r\n\r\n"), response(200, R"({"healthy":true})"));
    EXPECT_EQ(handlers.calls(), Calls{"health"});
}

TEST_F(IpcServer, SurvivesClientsThatLeaveAtOnce) {
    LoopbackClient(port_).abort();
    LoopbackClient halfClosed(port_);
    halfClosed.finishSending();
    EXPECT_EQ(halfClosed.readAll(), response(500, "Invalid HTTP request"));
    EXPECT_EQ(exchange("GET /health\r\n\r\n"), response(200, R"({"healthy":true})"));
    EXPECT_EQ(handlers.calls(), Calls{"health"});
}

TEST_F(IpcServer, RefusesBrowserRequestsBeforeAnyHandler) {
    EXPECT_EQ(exchange("POST /stop HTTP/1.1\r\nHost: attacker.example:49190\r\n\r\n"),
              response(500, "Request host not allowed"));
    EXPECT_EQ(exchange("POST /stop HTTP/1.1\r\nHost: 127.0.0.1:49190\r\n"
                       "Origin: https://attacker.example\r\nContent-Type: text/plain\r\n\r\n"),
              response(500, "Request origin not allowed"));
    EXPECT_EQ(exchange("POST /stop HTTP/1.1\r\nHost: localhost:49190\r\n"
                       "Origin: http://localhost:5173\r\n\r\n"),
              response(200, "{}"));
    EXPECT_EQ(handlers.calls(), Calls{"stop"});
}

TEST_F(IpcServer, SeesTheStopFlagWithinAPollInterval) {
    EXPECT_EQ(exchange("GET /health\r\n\r\n"), response(200, R"({"healthy":true})"));
    std::this_thread::sleep_for(250ms);
    const auto started = Stopwatch::now();
    EXPECT_TRUE(stop());
    EXPECT_LT(Stopwatch::now() - started, 250ms);
}

TEST(IpcServerSetUp, FailsAtOnceWhenThePortIsTaken) {
    const std::string expected =
        "Failed to bind VPN service IPC: " + platform::osErrorText(WSAEADDRINUSE);
    testing::RecordingHandlers handlers;
    const auto port = test::freeLoopbackPort();
    const auto holder = test::occupyLoopbackPort(port);
    ASSERT_TRUE(holder);
    auto stopFlag = std::make_shared<std::atomic<bool>>(false);
    EXPECT_EQ(runIpcServer(stopFlag, handlers, port, systemClock()).error(), expected);

    // The real endpoint's port. The flag is set already, so should the bind
    // work after all, the call returns at once instead of serving.
    const auto realHolder = test::occupyLoopbackPort(kIpcPort);
    stopFlag->store(true);
    const auto result = runIpcServer(stopFlag, handlers);
    ASSERT_FALSE(result);
    EXPECT_EQ(result.error(), expected);
}

}  // namespace
}  // namespace korvane::service
