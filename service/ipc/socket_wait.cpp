#include "service/ipc/socket_wait.h"

#include <algorithm>
#include <climits>

#include "platform/os_error.h"

namespace korvane::service {

Result<bool> waitForSocket(const platform::UniqueSocket& socket, short events,
                           Clock::Duration timeout) {
    // A timeout of zero would not wait at all, a negative one forever.
    const auto milliseconds = std::chrono::ceil<std::chrono::milliseconds>(timeout).count();
    WSAPOLLFD entry{};
    entry.fd = socket.get();
    entry.events = events;
    const int ready =
        ::WSAPoll(&entry, 1, static_cast<INT>(std::clamp<long long>(milliseconds, 1, INT_MAX)));
    if (ready == SOCKET_ERROR) {
        return fail(platform::lastSocketErrorText());
    }
    return ready > 0;
}

}  // namespace korvane::service
