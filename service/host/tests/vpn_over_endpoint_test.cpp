// The client's view: the runtime's handlers behind the loopback endpoint.

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <memory>
#include <thread>

#include "common/log/service_log.h"
#include "platform/wide.h"
#include "service/host/runtime_handlers.h"
#include "service/ipc/ipc_server.h"
#include "tests/support/file_content.h"
#include "tests/support/loopback.h"
#include "tests/support/runtime_tree.h"
#include "tests/support/service_log_lines.h"

namespace korvane::service {
namespace {

constexpr std::uint16_t kEndpointPort = 49190;

// Serves the runtime's handlers for `layout` on 127.0.0.1:49190 for the
// test's lifetime.
class Endpoint {
  public:
    explicit Endpoint(const runtime::RuntimeLayout& layout)
        : handlers_(layout), thread_([this] { outcome_ = runIpcServer(stop_, handlers_); }) {}
    ~Endpoint() {
        stop_->store(true);
        thread_.join();
    }

  private:
    StopFlag stop_ = std::make_shared<std::atomic<bool>>(false);
    RuntimeHandlers handlers_;
    Status outcome_;
    std::thread thread_;
};

std::string exchange(const std::string& request) {
    test::LoopbackClient client(kEndpointPort);
    EXPECT_TRUE(client.connected());
    client.send(request);
    return client.readAll();
}

std::string post(const std::string& path, const std::string& body) {
    return exchange("POST " + path + " HTTP/1.1\r\nHost: 127.0.0.1:49190\r\nContent-Length: " +
                    std::to_string(body.size()) + "\r\n\r\n" + body);
}

std::string ok(const std::string& body) {
    return "HTTP/1.1 200 OK\r\nContent-Type: application/json; charset=utf-8\r\nContent-Length: " +
           std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
}

TEST(VpnOverEndpoint, StartHealthStop) {
    test::RuntimeTree tree;
    Endpoint endpoint(tree.layout());
    const std::string body = R"({"settings":)" + test::splitSettingsJson() + R"(,"server":)" +
                             test::serverJson(tree.serverPort()) + "}";

    const std::string started = post("/start", body);
    EXPECT_TRUE(started.starts_with("HTTP/1.1 200 OK\r\n")) << started;
    EXPECT_NE(started.find(R"({"localSocksPort":1080,"serverHost":"127.0.0.1","interfaceName":)"
                           R"("KorvaneTun)" +
                           std::to_string(::GetCurrentProcessId())),
              std::string::npos)
        << started;

    EXPECT_EQ(
        exchange("GET /health HTTP/1.1\r\n\r\n"),
        ok(R"({"healthy":true,"naiveRunning":true,"singBoxRunning":true,"socksReady":true})"));
    EXPECT_EQ(post("/stop", ""), ok("{}"));
    EXPECT_TRUE(tree.running("naive").empty());
    EXPECT_TRUE(tree.running("sing-box").empty());
    EXPECT_EQ(exchange("GET /health HTTP/1.1\r\n\r\n"),
              ok(R"({"healthy":false,"naiveRunning":false,"singBoxRunning":false,)"
                 R"("socksReady":false})"));
}

struct ClosesServiceLog {
    ~ClosesServiceLog() { log::closeServiceLog(); }
};

// The body of an answer, after its head.
std::string bodyOf(const std::string& answer) {
    const auto end = answer.find("\r\n\r\n");
    return end == std::string::npos ? std::string() : answer.substr(end + 4);
}

// The index of the first event from `from` on that starts with `prefix`;
// events.size() when there is none.
std::size_t findEvent(const std::vector<std::string>& events, const std::string& prefix,
                      std::size_t from) {
    while (from < events.size() && !events[from].starts_with(prefix)) {
        ++from;
    }
    return from;
}

TEST(VpnOverEndpoint, ServiceLogHasStartsStopAndRefusalButNoPasswordAndChildLogsAreKept) {
    test::RuntimeTree tree;
    const std::filesystem::path logs = tree.dataFolder() / "logs";
    ASSERT_TRUE(log::openServiceLog(logs));
    const ClosesServiceLog closesLog;  // however the test ends, before the tree goes
    Endpoint endpoint(tree.layout());
    const std::string password = "pw-" + std::to_string(::GetCurrentProcessId()) + "-" +
                                 std::to_string(::GetTickCount64()) + "-unique";
    const auto startBody = [&](const std::string& protocol) {
        return R"({"settings":)" + test::splitSettingsJson() +
               R"(,"server":{"host":"127.0.0.1","password":")" + password + R"(","port":)" +
               std::to_string(tree.serverPort()) + R"(,"protocol":")" + protocol +
               R"(","username":"user"}})";
    };

    ASSERT_TRUE(post("/start", startBody("naiveproxy")).starts_with("HTTP/1.1 200 OK\r\n"));
    exchange("GET /health HTTP/1.1\r\n\r\n");
    ASSERT_TRUE(post("/start", startBody("naiveproxy")).starts_with("HTTP/1.1 200 OK\r\n"));
    const std::string refusedStart = post("/start", startBody("vless"));
    ASSERT_TRUE(refusedStart.starts_with("HTTP/1.1 500 ")) << refusedStart;
    EXPECT_EQ(post("/stop", ""), ok("{}"));
    const std::string fromPage = exchange("GET /health HTTP/1.1\r\nHost: evil.example:80\r\n\r\n");
    EXPECT_EQ(bodyOf(fromPage), "Request host not allowed");
    log::closeServiceLog();

    const std::vector<std::string> events = test::serviceLogEvents(logs);
    const std::string naiveLaunch =
        "info Launched " + platform::narrow(tree.program("naive").native());
    const std::string singBoxLaunch =
        "info Launched " + platform::narrow(tree.program("sing-box").native());
    const std::string started = "info Start succeeded: interface KorvaneTun" +
                                std::to_string(::GetCurrentProcessId()) + ", address 172.19.";
    std::size_t at = 0;
    for (const std::string& expected :
         {naiveLaunch, singBoxLaunch, started, std::string("info Ended process"), naiveLaunch,
          singBoxLaunch, started, "error Start failed: " + bodyOf(refusedStart),
          std::string("info Ended process"), std::string("info Stop succeeded"),
          std::string("warning Refused a browser request: Host evil.example:80")}) {
        at = findEvent(events, expected, at);
        ASSERT_LT(at, events.size()) << "no \"" << expected << "\" in order in:\n"
                                     << ::testing::PrintToString(events);
        ++at;
    }
    EXPECT_EQ(events[findEvent(events, "error Start failed: ", 0)],
              "error Start failed: Unsupported VPN protocol: vless");
    for (const std::string& event : events) {
        EXPECT_EQ(event.find("ealth"), std::string::npos) << "health requests are only counted";
    }

    std::size_t filesSearched = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(logs)) {
        const auto content = test::readFile(entry.path());
        ASSERT_TRUE(content.has_value()) << entry.path();
        EXPECT_EQ(content->find(password), std::string::npos) << entry.path();
        ++filesSearched;
    }
    EXPECT_EQ(filesSearched, 5u) << "service.log and both programs' current and previous logs";
    for (const char* name : {"naive.previous.log", "sing-box.previous.log"}) {
        const auto previous = test::readFile(logs / name);
        ASSERT_TRUE(previous.has_value()) << name;
        EXPECT_TRUE(previous->starts_with("--- starting ")) << *previous;
    }
}

}  // namespace
}  // namespace korvane::service
