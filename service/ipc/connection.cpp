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
#include "service/ipc/socket_wait.h"

namespace korvane::service {
namespace {

using platform::UniqueSocket;

constexpr auto kReceiveDeadline = std::chrono::seconds(2);
constexpr auto kSendDeadline = std::chrono::seconds(2);

// A client's TCP stack may split one request across several segments, so a
// single receive is not enough; a slow sender still cannot hold the endpoint
// for longer than the deadline. Then serves what arrived.
Result<std::string> receiveAndServe(const UniqueSocket& connection, std::span<char> buffer,
                                    HandlerSet& handlers, Clock& clock) {
    const auto deadline = clock.now() + kReceiveDeadline;
    std::size_t received = 0;
    std::optional<std::size_t> needed;
    while (received < buffer.size() && !(needed && received >= *needed)) {
        const int count = ::recv(connection.get(), buffer.data() + received,
                                 static_cast<int>(buffer.size() - received), 0);
        if (count > 0) {
            // Only a blank line that ends in the new bytes can be new.
            const std::size_t searchFrom = received >= 3 ? received - 3 : 0;
            received += static_cast<std::size_t>(count);
            if (!needed) {
                needed = neededRequestLength(std::string_view(buffer.data(), received), searchFrom);
            }
            continue;
        }
        if (count == 0) {
            break;  // the client has finished sending
        }
        if (const int error = ::WSAGetLastError(); error != WSAEWOULDBLOCK) {
            return fail(platform::osErrorText(static_cast<std::uint32_t>(error)));
        }
        const auto remaining = deadline - clock.now();
        if (remaining <= Clock::Duration::zero()) {
            if (received == 0) {
                return fail(platform::osErrorText(WSAETIMEDOUT));
            }
            break;  // the deadline: serve what arrived
        }
        if (const auto waited = waitForSocket(connection, POLLRDNORM, remaining);
            !waited.has_value()) {
            return fail(waited.error());
        }
    }
    return serveRequest(std::string_view(buffer.data(), received), handlers);
}

// Nobody is told when the client has gone away or stopped reading.
void sendAll(const UniqueSocket& connection, std::string_view data, Clock& clock) {
    const auto deadline = clock.now() + kSendDeadline;
    while (!data.empty()) {
        const int chunk = static_cast<int>(std::min<std::size_t>(data.size(), INT_MAX));
        const int sent = ::send(connection.get(), data.data(), chunk, 0);
        if (sent > 0) {
            data.remove_prefix(static_cast<std::size_t>(sent));
            continue;
        }
        const int error = sent == SOCKET_ERROR ? ::WSAGetLastError() : 0;
        if (error == WSAEINTR) {
            continue;
        }
        const auto remaining = deadline - clock.now();
        if (error != WSAEWOULDBLOCK || remaining <= Clock::Duration::zero() ||
            !waitForSocket(connection, POLLWRNORM, remaining).has_value()) {
            return;
        }
    }
}

}  // namespace

void serveConnection(UniqueSocket connection, std::span<char> buffer, HandlerSet& handlers,
                     Clock& clock) {
    const std::string response =
        buildResponse(receiveAndServe(connection, buffer, handlers, clock));
    sendAll(connection, response, clock);
}

}  // namespace korvane::service
