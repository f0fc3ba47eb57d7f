// Clients that stall, leave or crowd the endpoint: each affects only itself.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "platform/os_error.h"
#include "platform/winsock.h"
#include "service/ipc/ipc_server.h"
#include "tests/support/loopback.h"

namespace korvane::service {
namespace {

using namespace std::chrono_literals;
using test::LoopbackClient;
using Stopwatch = std::chrono::steady_clock;
using Calls = std::vector<std::string>;

constexpr std::string_view kHealth = "GET /health HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n";
constexpr std::string_view kContinue = "HTTP/1.1 100 Continue\r\n\r\n";

std::string answer(int code, std::string_view body) {
    return std::string(code == 200 ? "HTTP/1.1 200 OK\r\n" : "HTTP/1.1 500 Error\r\n") +
           "Content-Type: application/json; charset=utf-8\r\nContent-Length: " +
           std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + std::string(body);
}

const std::string kHealthy = answer(200, R"({"healthy":true})");

// Handlers whose start takes as long as the test says, whose health answer
// can be made large, and that can throw; every call is recorded.
class ScriptedHandlers final : public HandlerSet {
  public:
    std::chrono::milliseconds startTakes{0};
    std::size_t largeHealthAnswers = 0;  // the first ones, 8 MiB each
    bool throwOnStop = false;

    Calls calls() const {
        std::lock_guard lock(mutex_);
        return calls_;
    }

    Result<std::string> handleStart(std::string_view settings, std::string_view) override {
        record("start " + std::string(settings));
        std::this_thread::sleep_for(startTakes);
        return std::string(R"({"started":true})");
    }
    Status handleStop() override {
        record("stop");
        if (throwOnStop) {
            throw std::runtime_error("handler fault");
        }
        return {};
    }
    Result<std::string> handleHealth() override {
        if (record("health") <= largeHealthAnswers) {
            return std::string(8 << 20, 'h');
        }
        return std::string(R"({"healthy":true})");
    }

  private:
    std::size_t record(std::string call) {
        std::lock_guard lock(mutex_);
        calls_.push_back(std::move(call));
        return calls_.size();
    }

    mutable std::mutex mutex_;
    Calls calls_;
};

// What LoopbackClient does not do: read part of an answer, and a receive
// buffer as small as the system allows.
class RawClient {
  public:
    // Connects, retrying while the endpoint is not listening yet.
    explicit RawClient(std::uint16_t port, bool smallReceiveBuffer = false) {
        (void)platform::ensureWinsock();
        const auto address = platform::loopbackAddress(port);
        const auto giveUp = Stopwatch::now() + 5s;
        do {
            socket_.reset(::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
            if (smallReceiveBuffer) {
                const int size = 1;
                ::setsockopt(socket_.get(), SOL_SOCKET, SO_RCVBUF,
                             reinterpret_cast<const char*>(&size), sizeof size);
            }
            if (::connect(socket_.get(), reinterpret_cast<const sockaddr*>(&address),
                          sizeof address) == 0) {
                break;
            }
            socket_.reset();
            std::this_thread::sleep_for(20ms);
        } while (Stopwatch::now() < giveUp);
        EXPECT_TRUE(socket_);
        const linger abortive{1, 0};
        ::setsockopt(socket_.get(), SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&abortive),
                     sizeof abortive);
        const DWORD timeout = 10'000;
        ::setsockopt(socket_.get(), SOL_SOCKET, SO_RCVTIMEO,
                     reinterpret_cast<const char*>(&timeout), sizeof timeout);
    }

    void send(std::string_view bytes) {
        EXPECT_EQ(::send(socket_.get(), bytes.data(), static_cast<int>(bytes.size()), 0),
                  static_cast<int>(bytes.size()));
    }

    // Exactly `count` bytes, or fewer when the endpoint closes first.
    std::string read(std::size_t count) {
        std::string bytes(count, '\0');
        std::size_t received = 0;
        while (received < count) {
            const int n = ::recv(socket_.get(), bytes.data() + received,
                                 static_cast<int>(count - received), 0);
            if (n <= 0) {
                break;
            }
            received += static_cast<std::size_t>(n);
        }
        bytes.resize(received);
        return bytes;
    }

    std::string readAll() { return read(std::size_t{1} << 24); }

  private:
    platform::UniqueSocket socket_;
};

// The endpoint on a port of its own, on a thread of its own, with accepts
// that fail as a test says.
class SideBySide : public ::testing::Test {
  protected:
    void SetUp() override { startEndpoint(acceptConnection); }
    void TearDown() override { (void)stop(); }

    void startEndpoint(AcceptCall accept, CallerCheck allowCaller = {}) {
        accept_ = std::move(accept);
        allowCaller_ = std::move(allowCaller);
        port_ = test::freeLoopbackPort();
        result_ = std::async(std::launch::async, [this] {
            return runIpcServer(stopFlag_, handlers, port_, systemClock(), accept_, allowCaller_);
        });
    }

    Status stop() {
        stopFlag_->store(true);
        return result_.valid() ? result_.get() : Status{};
    }

    std::string exchange(std::string_view request) {
        LoopbackClient client(port_);
        EXPECT_TRUE(client.connected());
        client.send(request);
        return client.readAll();
    }

    // A health exchange and how long it took.
    std::pair<std::string, Stopwatch::duration> timedHealth() {
        const auto started = Stopwatch::now();
        std::string answered = exchange(kHealth);
        return {std::move(answered), Stopwatch::now() - started};
    }

    std::vector<std::unique_ptr<LoopbackClient>> silentClients(int count) {
        std::vector<std::unique_ptr<LoopbackClient>> clients;
        for (int i = 0; i < count; ++i) {
            clients.push_back(std::make_unique<LoopbackClient>(port_));
            EXPECT_TRUE(clients.back()->connected());
        }
        return clients;
    }

    ScriptedHandlers handlers;
    std::uint16_t port_ = 0;
    StopFlag stopFlag_ = std::make_shared<std::atomic<bool>>(false);
    AcceptCall accept_;
    CallerCheck allowCaller_;
    std::future<Status> result_;
};

TEST_F(SideBySide, SilentClientsAndHalfHeadsDoNotDelayAHealthCheck) {
    // The last ones connected are the furthest from their deadlines.
    auto clients = silentClients(40);
    for (std::size_t i = 30; i < 40; ++i) {
        clients[i]->send("POST /start HTTP/1.1\r\nContent-Le");
    }
    std::this_thread::sleep_for(100ms);  // all accepted, none answered
    const auto [answered, took] = timedHealth();
    EXPECT_EQ(answered, kHealthy);
    EXPECT_LT(took, 1s) << "the silent clients' 2 s deadlines are not waited out";

    // Their deadlines run all the same: silence is answered with the timeout
    // text, half a head with what reading it gives.
    EXPECT_EQ(clients[0]->readAll(), answer(500, platform::osErrorText(WSAETIMEDOUT)));
    EXPECT_EQ(clients[39]->readAll(), answer(500, "Invalid HTTP request"));
}

TEST_F(SideBySide, HalfAHeadThenAResetAffectsOnlyThatClient) {
    {
        LoopbackClient leaving(port_);
        leaving.send("POST /start HTTP/1.1\r\nContent-Length: 40\r\n");
        std::this_thread::sleep_for(50ms);
        leaving.abort();
    }
    LoopbackClient resetWhileBodyMissing(port_);
    resetWhileBodyMissing.send("POST /start HTTP/1.1\r\nContent-Length: 40\r\n\r\n{");
    std::this_thread::sleep_for(50ms);
    resetWhileBodyMissing.abort();

    const auto [answered, took] = timedHealth();
    EXPECT_EQ(answered, kHealthy);
    EXPECT_LT(took, 1s);
    // The partial start still reaches its deadline and is served as it is,
    // to nobody: its client is gone.
    std::this_thread::sleep_for(2500ms);
    EXPECT_EQ(exchange(kHealth), kHealthy);
    EXPECT_EQ(handlers.calls(), (Calls{"health", "health"}));
}

TEST_F(SideBySide, AClientThatNeverSendsTimesOutAlone) {
    LoopbackClient silent(port_);
    const auto started = Stopwatch::now();
    auto silentAnswer = std::async(std::launch::async, [&] { return silent.readAll(); });
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(exchange(kHealth), kHealthy);
    }
    EXPECT_LT(Stopwatch::now() - started, 1500ms) << "served while the silent one waited";
    EXPECT_EQ(silentAnswer.get(), answer(500, platform::osErrorText(WSAETIMEDOUT)));
    const auto waited = Stopwatch::now() - started;
    EXPECT_GT(waited, 1800ms);
    EXPECT_LT(waited, 4s);
}

TEST_F(SideBySide, AtTheCapTheLongestSilentConnectionMakesRoom) {
    auto clients = silentClients(static_cast<int>(kMaxConnections));
    std::this_thread::sleep_for(200ms);  // all 64 taken in
    const auto [answered, took] = timedHealth();
    EXPECT_EQ(answered, kHealthy);
    EXPECT_LT(took, 1s);
    EXPECT_EQ(clients[0]->readAll(), "") << "the oldest silent one is closed unanswered";

    // The others keep their places and are still served.
    clients.back()->send(kHealth);
    EXPECT_EQ(clients.back()->readAll(), kHealthy);
    EXPECT_EQ(clients[1]->readAll(), answer(500, platform::osErrorText(WSAETIMEDOUT)));
}

TEST_F(SideBySide, ConnectionsWhoseRequestsWaitKeepTheirPlacesAtTheCap) {
    handlers.startTakes = 1500ms;
    LoopbackClient starter(port_);
    starter.send("POST /start HTTP/1.1\r\nContent-Length: 25\r\n\r\n{\"settings\":1,\"server\":2}");
    std::this_thread::sleep_for(100ms);
    auto waiting = silentClients(static_cast<int>(kMaxConnections) - 1);
    for (auto& client : waiting) {
        client->send(kHealth);
    }
    std::this_thread::sleep_for(200ms);  // all 63 wait behind the start
    LoopbackClient extra(port_);
    const auto started = Stopwatch::now();
    EXPECT_EQ(extra.readAll(), "") << "no place to take: closed at once";
    EXPECT_LT(Stopwatch::now() - started, 1s);
    EXPECT_EQ(starter.readAll(), answer(200, R"({"started":true})"));
    for (auto& client : waiting) {
        EXPECT_EQ(client->readAll(), kHealthy);
    }
}

TEST_F(SideBySide, AnOwnerPastItsQuotaIsClosedAtAcceptAndOthersAreServed) {
    ASSERT_TRUE(stop());
    stopFlag_->store(false);
    // Nine connections whose owner is unknown (together one owner), then
    // those of process 7.
    std::atomic<int> asked{0};
    startEndpoint(acceptConnection, [&asked](SOCKET) {
        return Caller{true, asked++ < 9 ? std::nullopt : std::optional<std::uint32_t>(7), ""};
    });
    auto held = silentClients(static_cast<int>(kMaxConnectionsPerOwner));
    std::this_thread::sleep_for(100ms);
    LoopbackClient ninth(port_);
    const auto started = Stopwatch::now();
    EXPECT_EQ(ninth.readAll(), "") << "closed unanswered";
    EXPECT_LT(Stopwatch::now() - started, 1s);
    EXPECT_EQ(exchange(kHealth), kHealthy);
    held.front()->send(kHealth);
    EXPECT_EQ(held.front()->readAll(), kHealthy);
}

TEST_F(SideBySide, SeesTheStopFlagWithConnectionsOpen) {
    auto clients = silentClients(20);
    clients[0]->send("POST /start HTTP/1.1\r\n");
    std::this_thread::sleep_for(300ms);
    const auto started = Stopwatch::now();
    EXPECT_TRUE(stop());
    EXPECT_LT(Stopwatch::now() - started, 250ms);
    EXPECT_EQ(clients[0]->readAll(), "") << "closed unanswered";
    EXPECT_TRUE(handlers.calls().empty());
}

TEST_F(SideBySide, HealthDuringAStartIsAnsweredAfterItAndNotTimedOut) {
    handlers.startTakes = 3s;
    const std::string body = R"({"settings":{"mode":"full"},"server":{}})";
    LoopbackClient starter(port_);
    const auto started = Stopwatch::now();
    starter.send("POST /start HTTP/1.1\r\nContent-Length: " + std::to_string(body.size()) +
                 "\r\n\r\n" + body);
    auto startAnswer = std::async(std::launch::async, [&] {
        std::string answered = starter.readAll();
        return std::make_pair(answered, Stopwatch::now() - started);
    });
    std::this_thread::sleep_for(300ms);
    LoopbackClient silent(port_);
    auto silentAnswer = std::async(std::launch::async, [&] {
        std::string answered = silent.readAll();
        return std::make_pair(answered, Stopwatch::now() - started);
    });
    const auto [health, healthTook] = timedHealth();
    const auto healthAt = Stopwatch::now() - started;
    const auto [startAnswered, startAt] = startAnswer.get();
    const auto [silentAnswered, silentAt] = silentAnswer.get();

    EXPECT_EQ(startAnswered, answer(200, R"({"started":true})"));
    EXPECT_EQ(health, kHealthy) << "waited behind the start, longer than a deadline";
    EXPECT_GT(healthTook, 2500ms);
    // Both answers come within a moment; the readers' threads may see them in
    // either order. The handlers' order below is the strict one.
    EXPECT_GE(healthAt + 100ms, startAt);
    // Other connections are read while the start runs: the silent one's
    // deadline passed in the middle of it.
    EXPECT_EQ(silentAnswered, answer(500, platform::osErrorText(WSAETIMEDOUT)));
    EXPECT_LT(silentAt, startAt);
    EXPECT_EQ(handlers.calls(), (Calls{R"(start {"mode":"full"})", "health"}));
}

TEST_F(SideBySide, StopFlagDuringAStartWaitsForItAndSendsItsAnswer) {
    handlers.startTakes = 1s;
    const std::string body = R"({"settings":1,"server":2})";
    LoopbackClient starter(port_);
    starter.send("POST /start HTTP/1.1\r\nContent-Length: " + std::to_string(body.size()) +
                 "\r\n\r\n" + body);
    LoopbackClient queued(port_);
    std::this_thread::sleep_for(200ms);
    queued.send("POST /stop HTTP/1.1\r\n\r\n");
    std::this_thread::sleep_for(100ms);
    EXPECT_TRUE(stop());
    EXPECT_EQ(starter.readAll(), answer(200, R"({"started":true})"));
    EXPECT_EQ(queued.readAll(), "") << "a request not started when the flag is seen is dropped";
    EXPECT_EQ(handlers.calls(), Calls{"start 1"});
}

TEST_F(SideBySide, ExpectContinueIsAnsweredBeforeTheBody) {
    const std::string body = R"({"settings":[],"server":{}})";
    const std::string head = "POST /start HTTP/1.1\r\nHost: 127.0.0.1:49190\r\nContent-Length: " +
                             std::to_string(body.size()) + "\r\nExpect: 100-continue\r\n\r\n";
    const std::string started = answer(200, R"({"started":true})");

    RawClient waiting(port_);
    waiting.send(head);
    const auto sent = Stopwatch::now();
    EXPECT_EQ(waiting.read(kContinue.size()), kContinue);
    EXPECT_LT(Stopwatch::now() - sent, 1s);
    waiting.send(body);
    EXPECT_EQ(waiting.readAll(), started);

    // A client that does not wait: the interim answer comes only if the head
    // arrived alone, and never instead of the final one.
    RawClient eager(port_);
    eager.send(head + body);
    std::string answered = eager.readAll();
    if (answered.starts_with(kContinue)) {
        answered.erase(0, kContinue.size());
    }
    EXPECT_EQ(answered, started);

    // Nothing to continue with: no body announced.
    EXPECT_EQ(exchange("POST /stop HTTP/1.1\r\nExpect: 100-continue\r\n\r\n"), answer(200, "{}"));
    EXPECT_EQ(handlers.calls(), (Calls{"start []", "start []", "stop"}));
}

TEST_F(SideBySide, AClientThatNeverReadsItsAnswerHoldsOnlyItself) {
    handlers.largeHealthAnswers = 1;
    RawClient neverReads(port_, true);
    neverReads.send(kHealth);
    std::this_thread::sleep_for(300ms);  // its 8 MiB answer is stuck in sending
    const auto [answered, took] = timedHealth();
    EXPECT_EQ(answered, kHealthy);
    EXPECT_LT(took, 1s);
    // After the send deadline the connection is closed: far less than the
    // answer ever arrives.
    std::this_thread::sleep_for(2500ms);
    EXPECT_LT(neverReads.readAll().size(), std::size_t{8 << 20});
}

TEST_F(SideBySide, AHandlerThatThrowsIsAnsweredAndTheEndpointGoesOn) {
    handlers.throwOnStop = true;
    EXPECT_EQ(exchange("POST /stop HTTP/1.1\r\n\r\n"),
              answer(500, "Unexpected failure: handler fault"));
    EXPECT_EQ(exchange(kHealth), kHealthy);
}

// Accepts that fail before the real one, as the seam says.
AcceptCall failingFirst(std::vector<int> errors) {
    auto remaining = std::make_shared<std::vector<int>>(std::move(errors));
    return
        [remaining](
            const platform::UniqueSocket& listener) -> std::expected<platform::UniqueSocket, int> {
            if (!remaining->empty()) {
                const int error = remaining->front();
                remaining->erase(remaining->begin());
                return std::unexpected(error);
            }
            return acceptConnection(listener);
        };
}

TEST_F(SideBySide, PassingAcceptErrorsAreRetried) {
    ASSERT_TRUE(stop());
    stopFlag_->store(false);
    startEndpoint(failingFirst({WSAENOBUFS, WSAEMFILE, WSAECONNRESET, WSAEINTR}));
    const auto [answered, took] = timedHealth();
    EXPECT_EQ(answered, kHealthy);
    EXPECT_LT(took, 1s) << "three short back-offs";
    EXPECT_EQ(exchange(kHealth), kHealthy);
}

TEST_F(SideBySide, ACallerThatMayNotDriveIsRefusedStartAndStopButAnsweredHealth) {
    ASSERT_TRUE(stop());
    stopFlag_->store(false);
    std::atomic<int> asked{0};
    startEndpoint(acceptConnection, [&asked](SOCKET) {
        ++asked;
        return Caller{false, 66, "pid 66"};
    });
    const std::string refused = answer(500, "Request client not allowed");
    EXPECT_EQ(exchange("POST /stop HTTP/1.1\r\n\r\n"), refused);
    // Refused before its payload is read.
    EXPECT_EQ(exchange("POST /start HTTP/1.1\r\nContent-Length: 2\r\n\r\n{}"), refused);
    EXPECT_EQ(exchange(kHealth), kHealthy);
    EXPECT_EQ(exchange("GET /stop HTTP/1.1\r\n\r\n"), answer(500, "Unknown service command"));
    EXPECT_EQ(handlers.calls(), Calls{"health"}) << "no handler may run for a refused request";
    EXPECT_EQ(asked.load(), 4);
}

TEST_F(SideBySide, AFailingListenerEndsTheEndpointWithItsText) {
    ASSERT_TRUE(stop());
    stopFlag_->store(false);
    startEndpoint(failingFirst({WSAENOBUFS, WSAENOTSOCK}));
    LoopbackClient client(port_);
    ASSERT_EQ(result_.wait_for(5s), std::future_status::ready);
    EXPECT_EQ(result_.get(), fail(platform::osErrorText(WSAENOTSOCK)));
}

}  // namespace
}  // namespace korvane::service
