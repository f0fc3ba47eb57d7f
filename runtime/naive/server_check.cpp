#include "runtime/naive/server_check.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <string>

#include "platform/handles.h"
#include "platform/wide.h"
#include "platform/winsock.h"

namespace korvane::runtime {
namespace {

constexpr long kConnectTimeoutSeconds = 3;

// Connects without blocking and waits for the outcome for at most the
// time-out; Winsock reports a failed connection through the except set.
bool connectsWithin(const ADDRINFOW& address) {
    const platform::UniqueSocket socket =
        platform::newSocket(address.ai_family, address.ai_socktype, address.ai_protocol);
    if (!socket) {
        return false;
    }
    u_long nonBlocking = 1;
    if (::ioctlsocket(socket.get(), FIONBIO, &nonBlocking) != 0) {
        return false;
    }
    if (::connect(socket.get(), address.ai_addr, static_cast<int>(address.ai_addrlen)) == 0) {
        return true;
    }
    if (::WSAGetLastError() != WSAEWOULDBLOCK) {
        return false;
    }
    fd_set writable;
    fd_set failed;
    FD_ZERO(&writable);
    FD_ZERO(&failed);
    FD_SET(socket.get(), &writable);
    FD_SET(socket.get(), &failed);
    timeval timeout{kConnectTimeoutSeconds, 0};
    if (::select(0, nullptr, &writable, &failed, &timeout) <= 0 ||
        !FD_ISSET(socket.get(), &writable)) {
        return false;
    }
    int error = 0;
    int length = sizeof error;
    return ::getsockopt(socket.get(), SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error),
                        &length) == 0 &&
           error == 0;
}

}  // namespace

bool loopbackPortFree(std::uint16_t port) {
    const platform::UniqueSocket listener = platform::newSocket();
    if (!listener) {
        return false;
    }
    const sockaddr_in address = platform::loopbackAddress(port);
    return ::bind(listener.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) ==
               0 &&
           ::listen(listener.get(), 128) == 0;
}

bool serverReachable(std::string_view host, std::uint16_t port) {
    // The resolver reads up to the first NUL and would check another name.
    if (!platform::ensureWinsock() || host.find('\0') != std::string_view::npos) {
        return false;
    }
    ADDRINFOW hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    platform::UniqueAddressInfo addresses;
    const int resolved = ::GetAddrInfoW(platform::widen(host).c_str(),
                                        std::to_wstring(port).c_str(), &hints, addresses.put());
    if (resolved != 0 || !addresses) {
        return false;
    }
    return connectsWithin(*addresses.get());
}

}  // namespace korvane::runtime
