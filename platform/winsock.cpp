#include "platform/winsock.h"

#include <winsock2.h>

#include "platform/os_error.h"

namespace korvane::platform {

Status ensureWinsock() {
    // The process keeps Winsock for its whole life; WSACleanup is never needed.
    static const Status started = []() -> Status {
        WSADATA data;
        const int code = ::WSAStartup(MAKEWORD(2, 2), &data);
        if (code != 0) {
            return fail(osErrorText(static_cast<std::uint32_t>(code)));
        }
        return {};
    }();
    return started;
}

}  // namespace korvane::platform
