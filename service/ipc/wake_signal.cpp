#include "service/ipc/wake_signal.h"

#include "platform/os_error.h"
#include "platform/winsock.h"
#include "service/ipc/loopback_listener.h"

namespace korvane::service {

Result<WakeSignal> WakeSignal::open() {
    if (auto started = platform::ensureWinsock(); !started) {
        return fail(ipcBindFailure(started.error()));
    }
    platform::UniqueSocket socket(
        ::WSASocketW(AF_INET, SOCK_DGRAM, IPPROTO_UDP, nullptr, 0, WSA_FLAG_NO_HANDLE_INHERIT));
    if (!socket) {
        return fail(ipcBindFailure(platform::lastSocketErrorText()));
    }
    sockaddr_in address = platform::loopbackAddress(0);
    int length = sizeof address;
    u_long nonBlocking = 1;
    // Connected to itself, it takes datagrams from no other socket.
    if (::bind(socket.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) ==
            SOCKET_ERROR ||
        ::getsockname(socket.get(), reinterpret_cast<sockaddr*>(&address), &length) ==
            SOCKET_ERROR ||
        ::connect(socket.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) ==
            SOCKET_ERROR ||
        ::ioctlsocket(socket.get(), FIONBIO, &nonBlocking) == SOCKET_ERROR) {
        return fail(ipcBindFailure(platform::lastSocketErrorText()));
    }
    return WakeSignal(std::move(socket));
}

void WakeSignal::raise() const noexcept {
    const char signal = 1;
    ::send(socket_.get(), &signal, 1, 0);
}

void WakeSignal::clear() const noexcept {
    char datagram[16];
    while (::recv(socket_.get(), datagram, sizeof datagram, 0) != SOCKET_ERROR) {
    }
}

}  // namespace korvane::service
