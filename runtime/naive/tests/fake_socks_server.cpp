#include "runtime/naive/tests/fake_socks_server.h"

#include "platform/winsock.h"

namespace korvane::test {
namespace {

platform::UniqueSocket loopbackListener(std::uint16_t port) {
    (void)platform::ensureWinsock();
    platform::UniqueSocket socket(::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
    const sockaddr_in address = platform::loopbackAddress(port);
    if (!socket ||
        ::bind(socket.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(socket.get(), 16) != 0) {
        return {};
    }
    return socket;
}

std::uint16_t localPort(SOCKET socket) {
    sockaddr_in address{};
    int length = sizeof address;
    ::getsockname(socket, reinterpret_cast<sockaddr*>(&address), &length);
    return ::ntohs(address.sin_port);
}

// Abortive close: the port keeps no TIME_WAIT entry, which under Wine would
// stop the next test from binding it.
void closeAbortively(platform::UniqueSocket& socket) {
    linger abortive{1, 0};
    ::setsockopt(socket.get(), SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&abortive),
                 sizeof abortive);
    socket.reset();
}

}  // namespace

FakeSocksServer::FakeSocksServer(Behaviour behaviour, unsigned char method)
    : behaviour_(behaviour), method_(method), listener_(loopbackListener(1080)) {
    if (listener_) {
        thread_ = std::thread([this] { serve(); });
    }
}

FakeSocksServer::~FakeSocksServer() {
    stopping_ = true;
    if (thread_.joinable()) {
        thread_.join();
    }
}

void FakeSocksServer::serve() {
    while (!stopping_) {
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(listener_.get(), &readable);
        timeval pause{0, 20000};
        if (::select(0, &readable, nullptr, nullptr, &pause) == 1) {
            platform::UniqueSocket client(::accept(listener_.get(), nullptr, nullptr));
            if (client) {
                answer(client.get());
                closeAbortively(client);
            }
        }
    }
}

void FakeSocksServer::answer(SOCKET client) {
    if (behaviour_ == Behaviour::CloseAtOnce) {
        return;
    }
    DWORD timeout = 3000;
    ::setsockopt(client, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout),
                 sizeof timeout);
    char greeting[3];
    for (int have = 0; have < 3;) {
        const int got = ::recv(client, greeting + have, 3 - have, 0);
        if (got <= 0) {
            return;
        }
        have += got;
    }
    if (behaviour_ == Behaviour::Answer) {
        const char reply[2] = {5, static_cast<char>(method_)};
        ::send(client, reply, 2, 0);
    }
    // Wait for the client to close first.
    char rest[16];
    while (::recv(client, rest, sizeof rest, 0) > 0) {
    }
}

LoopbackListener::LoopbackListener() : socket_(loopbackListener(0)) {
    if (socket_) {
        port_ = localPort(socket_.get());
    }
}

std::uint16_t closedLoopbackPort() {
    platform::UniqueSocket socket = loopbackListener(0);
    return socket ? localPort(socket.get()) : 0;
}

}  // namespace korvane::test
