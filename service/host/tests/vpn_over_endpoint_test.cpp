// The client's view: the runtime's handlers behind the loopback endpoint.

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>

#include "service/host/runtime_handlers.h"
#include "service/ipc/ipc_server.h"
#include "tests/support/loopback.h"
#include "tests/support/runtime_tree.h"

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

}  // namespace
}  // namespace korvane::service
