#include "service/ipc/loopback_listener.h"

#include <string>

#include "platform/os_error.h"
#include "platform/winsock.h"

namespace korvane::service {
namespace {

constexpr int kBacklog = 128;

}  // namespace

std::string ipcBindFailure(const std::string& cause) {
    return "Failed to bind VPN service IPC: " + cause;
}

Result<platform::UniqueSocket> listenOnLoopback(std::uint16_t port) {
    if (auto started = platform::ensureWinsock(); !started) {
        return fail(ipcBindFailure(started.error()));
    }
    // Not inheritable: the children that the runtime starts must not keep the
    // endpoint's port open.
    platform::UniqueSocket listener(::WSASocketW(AF_INET, SOCK_STREAM, IPPROTO_TCP, nullptr, 0,
                                                 WSA_FLAG_OVERLAPPED | WSA_FLAG_NO_HANDLE_INHERIT));
    if (!listener) {
        return fail(ipcBindFailure(platform::lastSocketErrorText()));
    }
    const sockaddr_in address = platform::loopbackAddress(port);
    if (::bind(listener.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) ==
            SOCKET_ERROR ||
        ::listen(listener.get(), kBacklog) == SOCKET_ERROR) {
        return fail(ipcBindFailure(platform::lastSocketErrorText()));
    }
    u_long nonBlocking = 1;
    if (::ioctlsocket(listener.get(), FIONBIO, &nonBlocking) == SOCKET_ERROR) {
        return fail(platform::lastSocketErrorText());
    }
    return listener;
}

}  // namespace korvane::service
