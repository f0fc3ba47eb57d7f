#include "service/ipc/ipc_server.h"

#include <chrono>
#include <memory>
#include <string>

#include "common/log/service_log.h"
#include "platform/os_error.h"
#include "service/ipc/connection.h"
#include "service/ipc/loopback_listener.h"
#include "service/ipc/socket_wait.h"

namespace korvane::service {
namespace {

// Waiting for the listener, rather than sleeping, serves a client at once;
// the bound keeps the stop flag seen within 100 ms.
constexpr auto kPollInterval = std::chrono::milliseconds(100);

// Nothing waiting, or a connection that its client reset while it waited in
// the backlog: the client's failure, not the listener's, so it must not end
// the endpoint.
bool acceptMayBeRetried(int error) {
    return error == WSAEWOULDBLOCK || error == WSAECONNRESET || error == WSAEINTR;
}

}  // namespace

Status runIpcServer(StopFlag stopFlag, HandlerSet& handlers) {
    return runIpcServer(std::move(stopFlag), handlers, kIpcPort, systemClock());
}

Status runIpcServer(StopFlag stopFlag, HandlerSet& handlers, std::uint16_t port, Clock& clock) {
    auto listener = listenOnLoopback(port);
    if (!listener) {
        return fail(std::move(listener.error()));
    }
    log::info("Endpoint listening on 127.0.0.1:" + std::to_string(port));
    const auto buffer = std::make_unique_for_overwrite<char[]>(kReceiveBufferSize);
    while (!stopFlag->load()) {
        const auto waiting = waitForSocket(*listener, POLLRDNORM, kPollInterval);
        if (!waiting) {
            return fail(waiting.error());
        }
        if (!*waiting) {
            continue;
        }
        platform::UniqueSocket connection(::accept(listener->get(), nullptr, nullptr));
        if (!connection) {
            const int error = ::WSAGetLastError();
            if (acceptMayBeRetried(error)) {
                continue;
            }
            return fail(platform::osErrorText(static_cast<std::uint32_t>(error)));
        }
        serveConnection(std::move(connection), {buffer.get(), kReceiveBufferSize}, handlers, clock);
    }
    return {};
}

}  // namespace korvane::service
