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

UniqueSocket newSocket(int family, int type, int protocol) {
    if (!ensureWinsock()) {
        return {};
    }
    return UniqueSocket(::WSASocketW(family, type, protocol, nullptr, 0,
                                     WSA_FLAG_OVERLAPPED | WSA_FLAG_NO_HANDLE_INHERIT));
}

}  // namespace korvane::platform
