#pragma once
// The loopback HTTP endpoint through which the desktop client drives the
// service: one request per connection. Connections are read side by side on
// the calling thread; their requests are served one at a time, in the order
// they became complete, on one handler thread of the endpoint's own.

#include <atomic>
#include <cstdint>
#include <expected>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "common/clock.h"
#include "common/result.h"
#include "platform/handles.h"
#include "service/http/handler_set.h"

namespace korvane::service {

// Set by the service control handler; read by the endpoint's event loop.
using StopFlag = std::shared_ptr<std::atomic<bool>>;

inline constexpr std::uint16_t kIpcPort = 49190;

// At most this many connections are open at once. When all are taken, the one
// that has waited longest without a complete request is closed to make room
// for a new one; connections whose requests wait for the handler or whose
// answers are being sent keep their place, and when every one does, the new
// connection is closed as soon as it is accepted.
inline constexpr std::size_t kMaxConnections = 64;

// With a caller check, at most this many connections of one owner process
// are open at once; one more is closed as soon as it is accepted. Connections
// whose owner could not be determined count as one owner together.
inline constexpr std::size_t kMaxConnectionsPerOwner = 8;

// What the caller check learns of a connection's client when it is accepted.
struct Caller {
    // It may send the requests that drive the service (POST /start and POST
    // /stop); every client may ask GET /health.
    bool mayDrive = true;
    // The owner process the connection counts against; none when it could not
    // be determined.
    std::optional<std::uint32_t> owner;
    // How the service log names it when one of its requests is refused, such
    // as "pid 1234, image \Device\HarddiskVolume3\Tools\tool.exe" or "unknown".
    std::string description;
};
using CallerCheck = std::function<Caller(SOCKET connection)>;

// Takes one pending connection from the listener: the connection, or the
// Winsock error code. acceptConnection is ::accept; tests put in failures.
using AcceptCall =
    std::function<std::expected<platform::UniqueSocket, int>(const platform::UniqueSocket&)>;
std::expected<platform::UniqueSocket, int> acceptConnection(const platform::UniqueSocket& listener);

// Listens on 127.0.0.1:49190 and serves requests until the stop flag is seen
// set (success) or the listener fails (its message, e.g. "Failed to bind VPN
// service IPC: ..."). The flag is seen within 100 ms, a new connection at
// once. A failure of one connection, or one that passes (the system short of
// buffers or sockets), never ends it.
//
// Each connection has 2 seconds from its accept to send its request and 2
// seconds from when the answer is ready to take it; a request waiting for its
// handler has no deadline. A request is served once complete (see
// request_completeness.h); one of which nothing arrived in time is answered
// with the system's timeout text. A head with "Expect: 100-continue" whose
// body has not arrived is answered "HTTP/1.1 100 Continue" at once.
//
// When the flag is seen, requests not yet started are dropped, a running
// handler is waited for and its answer sent as far as the socket takes it
// at once; then every connection is closed and the handler thread has ended.
//
// `checkCaller`, when given, is asked once for each accepted connection, at
// once (the client's row in the system's table goes when it closes), and the
// quota per owner applies. A request that drives the service from a client
// that may not is answered "Request client not allowed" and no handler runs
// for it; the service log records it with its route and the caller's
// description.
Status runIpcServer(StopFlag stopFlag, HandlerSet& handlers, const CallerCheck& checkCaller = {});

// The same on 127.0.0.1:`port`, with the deadlines read from `clock` and the
// connections taken with `accept`.
Status runIpcServer(StopFlag stopFlag, HandlerSet& handlers, std::uint16_t port, Clock& clock,
                    const AcceptCall& accept = acceptConnection,
                    const CallerCheck& checkCaller = {});

}  // namespace korvane::service
