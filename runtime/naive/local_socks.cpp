#include "runtime/naive/local_socks.h"

#include <windows.h>
#include <winsock2.h>

#include <chrono>
#include <initializer_list>

#include "platform/handles.h"
#include "platform/winsock.h"
#include "runtime/naive/local_socks_port.h"
#include "runtime/naive/readiness_wait.h"

namespace korvane::runtime {
namespace {

constexpr DWORD kProbeTimeoutMs = 700;
constexpr std::chrono::seconds kReadinessLimit{5};

}  // namespace

bool probeLocalSocks() {
    const platform::UniqueSocket socket = platform::newSocket();
    if (!socket) {
        return false;
    }
    const sockaddr_in address = platform::loopbackAddress(kLocalSocksPort);
    if (::connect(socket.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        return false;
    }
    for (const int option : {SO_RCVTIMEO, SO_SNDTIMEO}) {
        ::setsockopt(socket.get(), SOL_SOCKET, option,
                     reinterpret_cast<const char*>(&kProbeTimeoutMs), sizeof kProbeTimeoutMs);
    }

    // Version 5, one method offered: no authentication.
    const char greeting[3] = {5, 1, 0};
    for (int sent = 0; sent < 3;) {
        const int n = ::send(socket.get(), greeting + sent, 3 - sent, 0);
        if (n == SOCKET_ERROR && ::WSAGetLastError() == WSAEINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        sent += n;
    }
    unsigned char answer[2];
    for (int received = 0; received < 2;) {
        const int n =
            ::recv(socket.get(), reinterpret_cast<char*>(answer) + received, 2 - received, 0);
        if (n == SOCKET_ERROR && ::WSAGetLastError() == WSAEINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        received += n;
    }
    return answer[0] == 0x05 && answer[1] != 0xFF;
}

bool localSocksReadyFor(std::uint32_t ownerId, const ListenerTable& listeners) {
    if (!probeLocalSocks()) {
        return false;
    }
    // Asked after the answer: the listener that answered is in the rows.
    const std::optional<std::vector<ListenerRow>> rows = listeners();
    return !rows ||
           loopbackListenerOwner(*rows, kLocalSocksPort, ownerId) != ListenerOwner::someoneElse;
}

bool waitForLocalSocks(std::uint32_t ownerId, Clock& clock, const ListenerTable& listeners) {
    return waitForReadiness(clock, kReadinessLimit,
                            [&] { return localSocksReadyFor(ownerId, listeners); });
}

}  // namespace korvane::runtime
