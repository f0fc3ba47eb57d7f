#include "service/ipc/connection.h"

#include <algorithm>
#include <climits>
#include <optional>
#include <string>
#include <string_view>

#include "platform/os_error.h"
#include "service/http/http_response.h"
#include "service/http/request_completeness.h"
#include "service/http/request_router.h"

namespace korvane::service {
namespace {

using platform::UniqueSocket;

constexpr std::size_t kReceiveBufferSize = 262'144;
constexpr auto kReceiveDeadline = std::chrono::seconds(2);

// Accepted sockets inherit the listener's non-blocking mode; reads here block
// (up to the receive timeout). Like the listener, the connection must not be
// inherited by the runtime's children.
Status prepareConnection(const UniqueSocket& connection) {
    u_long nonBlocking = 0;
    if (::ioctlsocket(connection.get(), FIONBIO, &nonBlocking) == SOCKET_ERROR) {
        return fail(platform::lastSocketErrorText());
    }
    if (!::SetHandleInformation(reinterpret_cast<HANDLE>(connection.get()), HANDLE_FLAG_INHERIT,
                                0)) {
        return fail(platform::lastOsErrorText());
    }
    return {};
}

Status setReceiveTimeout(const UniqueSocket& connection, Clock::Duration remaining) {
    // A timeout of zero would mean "wait forever".
    const auto milliseconds = std::chrono::ceil<std::chrono::milliseconds>(remaining).count();
    const auto timeout = static_cast<DWORD>(std::clamp<long long>(milliseconds, 1, 2'000));
    if (::setsockopt(connection.get(), SOL_SOCKET, SO_RCVTIMEO,
                     reinterpret_cast<const char*>(&timeout), sizeof timeout) == SOCKET_ERROR) {
        return fail(platform::lastSocketErrorText());
    }
    return {};
}

// A client's TCP stack may split one request across several segments, so a
// single receive is not enough; a slow sender still cannot hold the endpoint
// for longer than the deadline.
Result<std::string> receiveRequest(const UniqueSocket& connection, Clock& clock) {
    const auto deadline = clock.now() + kReceiveDeadline;
    std::string buffer(kReceiveBufferSize, '\0');
    std::size_t received = 0;
    std::optional<std::size_t> needed;
    while (received < buffer.size() && !(needed && received >= *needed)) {
        const auto remaining = deadline - clock.now();
        if (remaining <= Clock::Duration::zero()) {
            if (received == 0) {
                return fail(platform::osErrorText(WSAETIMEDOUT));
            }
            break;
        }
        if (auto set = setReceiveTimeout(connection, remaining); !set) {
            return fail(std::move(set.error()));
        }
        const int count = ::recv(connection.get(), buffer.data() + received,
                                 static_cast<int>(buffer.size() - received), 0);
        if (count == 0) {
            break;  // the client has finished sending
        }
        if (count == SOCKET_ERROR) {
            const int error = ::WSAGetLastError();
            if (error == WSAETIMEDOUT && received > 0) {
                break;  // the deadline: serve what arrived
            }
            return fail(platform::osErrorText(static_cast<std::uint32_t>(error)));
        }
        // Only a blank line that ends in the new bytes can be new.
        const std::size_t searchFrom = received >= 3 ? received - 3 : 0;
        received += static_cast<std::size_t>(count);
        if (!needed) {
            needed = neededRequestLength(std::string_view(buffer).substr(0, received), searchFrom);
        }
    }
    buffer.resize(received);
    return buffer;
}

Result<std::string> outcomeOf(const UniqueSocket& connection, HandlerSet& handlers, Clock& clock) {
    if (auto prepared = prepareConnection(connection); !prepared) {
        return fail(std::move(prepared.error()));
    }
    const auto request = receiveRequest(connection, clock);
    if (!request) {
        return fail(request.error());
    }
    return serveRequest(*request, handlers);
}

// Nobody is told when the client has gone away before reading its answer.
void sendAll(const UniqueSocket& connection, std::string_view data) {
    while (!data.empty()) {
        const int chunk = static_cast<int>(std::min<std::size_t>(data.size(), INT_MAX));
        const int sent = ::send(connection.get(), data.data(), chunk, 0);
        if (sent == SOCKET_ERROR && ::WSAGetLastError() == WSAEINTR) {
            continue;
        }
        if (sent <= 0) {
            return;
        }
        data.remove_prefix(static_cast<std::size_t>(sent));
    }
}

}  // namespace

void serveConnection(UniqueSocket connection, HandlerSet& handlers, Clock& clock) {
    const std::string response = buildResponse(outcomeOf(connection, handlers, clock));
    sendAll(connection, response);
}

}  // namespace korvane::service
