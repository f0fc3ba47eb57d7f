#include "service/ipc/ipc_server.h"

#include <algorithm>
#include <chrono>
#include <climits>
#include <string>
#include <vector>

#include "common/log/service_log.h"
#include "platform/os_error.h"
#include "service/http/request_router.h"
#include "service/ipc/connection.h"
#include "service/ipc/handler_worker.h"
#include "service/ipc/loopback_listener.h"
#include "service/ipc/wake_signal.h"

namespace korvane::service {
namespace {

using namespace std::chrono_literals;
using platform::UniqueSocket;

// The longest wait in WSAPoll: the stop flag is seen within it.
constexpr Clock::Duration kPollInterval = 100ms;
// The pause after an error that passes: the system short of buffers or
// sockets, or a wait interrupted.
constexpr Clock::Duration kBackOff = 50ms;

bool isPassingError(int error) {
    return error == WSAENOBUFS || error == WSAEMFILE || error == WSAEINTR ||
           error == WSAEINPROGRESS;
}

// A connection that its client reset or gave up while it waited in the
// backlog: the client's failure, not the listener's.
bool belongsToOneConnection(int error) {
    return error == WSAECONNRESET || error == WSAECONNABORTED;
}

class EventLoop {
  public:
    EventLoop(UniqueSocket listener, WakeSignal wake, HandlerSet& handlers, Clock& clock,
              const AcceptCall& accept, const CallerCheck& checkCaller)
        : listener_(std::move(listener)),
          wake_(std::move(wake)),
          clock_(clock),
          accept_(accept),
          checkCaller_(checkCaller),
          worker_(handlers, [this] { wake_.raise(); }) {
        connections_.reserve(kMaxConnections);
    }

    Status run(const StopFlag& stopFlag) {
        while (!stopFlag->load()) {
            tend(clock_.now());
            if (auto waited = wait(); !waited) {
                return waited;
            }
        }
        // A handler that runs finishes, and sends its answer; the rest is
        // closed unanswered.
        worker_.stop();
        return {};
    }

  private:
    struct HandedConnection {
        std::uint64_t id;  // how the worker's answers find it; grows with each accept
        Connection connection;
        Caller caller;
    };

    // Everything that needs no wait: deadlines, answers, requests to hand on.
    void tend(Clock::TimePoint now) {
        for (HandedConnection& entry : connections_) {
            if (const auto deadline = entry.connection.deadline(); deadline && now >= *deadline) {
                entry.connection.onDeadline(now);
            }
        }
        collectAnswered(now);
        for (HandedConnection& entry : connections_) {
            if (entry.connection.hasRequest()) {
                worker_.submit(entry.id, entry.connection.takeRequest(),
                               entry.caller.mayDrive ? DriveCheck{} : refusing(entry.caller));
            }
        }
    }

    // N.B. the handler thread raises the wake signal only for an answer it
    // could not send whole; the others are collected here on the next pass,
    // and before accepting, so that they never count against the limit.
    void collectAnswered(Clock::TimePoint now) {
        for (HandlerWorker::Job& job : worker_.takeAnswered()) {
            const auto entry =
                std::ranges::find(connections_, job.connection, &HandedConnection::id);
            if (entry != connections_.end()) {
                entry->connection.finish(std::move(job.handover.socket),
                                         std::move(job.handover.unsent), now);
            }
        }
        std::erase_if(connections_,
                      [](const HandedConnection& entry) { return entry.connection.closed(); });
    }

    // One wait in WSAPoll, then whatever became ready.
    Status wait() {
        const auto now = clock_.now();
        auto until = now + kPollInterval;
        std::vector<WSAPOLLFD> polled;
        std::vector<Connection*> polledConnections;
        for (HandedConnection& entry : connections_) {
            if (const auto deadline = entry.connection.deadline()) {
                until = std::min(until, *deadline);
            }
            if (const short events = entry.connection.wantedEvents()) {
                polled.push_back({entry.connection.socket(), events, 0});
                polledConnections.push_back(&entry.connection);
            }
        }
        polled.push_back({wake_.socket().get(), POLLRDNORM, 0});
        const bool accepting = now >= acceptPausedUntil_;
        if (accepting) {
            polled.push_back({listener_.get(), POLLRDNORM, 0});
        } else {
            until = std::min(until, acceptPausedUntil_);
        }
        const auto timeout = std::chrono::ceil<std::chrono::milliseconds>(until - now).count();
        const int ready = ::WSAPoll(polled.data(), static_cast<ULONG>(polled.size()),
                                    static_cast<INT>(std::clamp<long long>(timeout, 0, INT_MAX)));
        if (ready == SOCKET_ERROR) {
            const int error = ::WSAGetLastError();
            if (!isPassingError(error)) {
                return fail(platform::osErrorText(static_cast<std::uint32_t>(error)));
            }
            clock_.sleep(kBackOff);
            return {};
        }
        const auto readyAt = clock_.now();
        for (std::size_t i = 0; i < polledConnections.size(); ++i) {
            if (polled[i].revents != 0) {
                polledConnections[i]->onReady(readyAt);
            }
        }
        if (polled[polledConnections.size()].revents != 0) {
            wake_.clear();
        }
        if (accepting && polled.back().revents != 0) {
            return acceptPending(readyAt);
        }
        return {};
    }

    // Takes what waits in the backlog, closing what is over the limits.
    Status acceptPending(Clock::TimePoint now) {
        collectAnswered(now);
        for (std::size_t taken = 0; taken < kMaxConnections; ++taken) {
            auto accepted = accept_(listener_);
            if (!accepted) {
                const int error = accepted.error();
                if (error == WSAEWOULDBLOCK) {
                    return {};
                }
                if (belongsToOneConnection(error)) {
                    continue;
                }
                if (isPassingError(error)) {
                    acceptPausedUntil_ = now + kBackOff;
                    return {};
                }
                return fail(platform::osErrorText(static_cast<std::uint32_t>(error)));
            }
            Caller caller = checkCaller_ ? checkCaller_(accepted->get()) : Caller{};
            if ((checkCaller_ && overQuota(caller)) || !makeRoom()) {
                continue;  // unanswered: the socket closes here
            }
            connections_.push_back(
                {nextId_++, Connection(std::move(*accepted), now), std::move(caller)});
            // A client sends right after connecting: its request is often
            // there already, and reading it now saves a wait.
            connections_.back().connection.onReady(now);
        }
        return {};
    }

    bool overQuota(const Caller& caller) const {
        return std::ranges::count(connections_, caller.owner, [](const HandedConnection& entry) {
                   return entry.caller.owner;
               }) >= static_cast<std::ptrdiff_t>(kMaxConnectionsPerOwner);
    }

    // Whether there is room for one more connection, closing the one that has
    // waited longest for its request when all places are taken.
    bool makeRoom() {
        if (connections_.size() < kMaxConnections) {
            return true;
        }
        // N.B. the first one found is the oldest: connections are kept in
        // the order they were accepted.
        const auto waiting = std::ranges::find_if(connections_, [](const HandedConnection& entry) {
            return entry.connection.receiving();
        });
        if (waiting == connections_.end()) {
            return false;
        }
        connections_.erase(waiting);
        return true;
    }

    // The check that refuses this caller's requests that drive the service,
    // recording each in the service log.
    static DriveCheck refusing(const Caller& caller) {
        return [description = caller.description](std::string_view route) {
            log::warning("Refused " + std::string(route) +
                         " from a caller not known to be trusted: " + description);
            return false;
        };
    }

    UniqueSocket listener_;
    WakeSignal wake_;
    Clock& clock_;
    const AcceptCall& accept_;
    const CallerCheck& checkCaller_;
    std::vector<HandedConnection> connections_;
    std::uint64_t nextId_ = 0;
    Clock::TimePoint acceptPausedUntil_{};
    // Last: its thread ends before the rest goes away.
    HandlerWorker worker_;
};

}  // namespace

std::expected<UniqueSocket, int> acceptConnection(const UniqueSocket& listener) {
    UniqueSocket connection(::accept(listener.get(), nullptr, nullptr));
    if (!connection) {
        return std::unexpected(::WSAGetLastError());
    }
    return connection;
}

Status runIpcServer(StopFlag stopFlag, HandlerSet& handlers, const CallerCheck& checkCaller) {
    return runIpcServer(std::move(stopFlag), handlers, kIpcPort, systemClock(), acceptConnection,
                        checkCaller);
}

Status runIpcServer(StopFlag stopFlag, HandlerSet& handlers, std::uint16_t port, Clock& clock,
                    const AcceptCall& accept, const CallerCheck& checkCaller) {
    auto listener = listenOnLoopback(port);
    if (!listener) {
        return fail(std::move(listener.error()));
    }
    auto wake = WakeSignal::open();
    if (!wake) {
        return fail(std::move(wake.error()));
    }
    log::info("Endpoint listening on 127.0.0.1:" + std::to_string(port));
    EventLoop loop(std::move(*listener), std::move(*wake), handlers, clock, accept, checkCaller);
    return loop.run(stopFlag);
}

}  // namespace korvane::service
