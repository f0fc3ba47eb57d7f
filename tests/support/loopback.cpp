#include "tests/support/loopback.h"

#include <thread>

#include "platform/winsock.h"

namespace korvane::test {

using platform::loopbackAddress;

platform::UniqueSocket occupyLoopbackPort(std::uint16_t port) {
    platform::UniqueSocket holder = platform::newSocket();
    const sockaddr_in address = loopbackAddress(port);
    if (!holder ||
        ::bind(holder.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(holder.get(), SOMAXCONN) != 0) {
        return {};
    }
    return holder;
}

std::uint16_t localPort(SOCKET socket) {
    sockaddr_in address{};
    int length = sizeof address;
    ::getsockname(socket, reinterpret_cast<sockaddr*>(&address), &length);
    return ::ntohs(address.sin_port);
}

std::uint16_t freeLoopbackPort() {
    const platform::UniqueSocket probe = occupyLoopbackPort(0);
    return probe ? localPort(probe.get()) : 0;
}

void closeAbortively(platform::UniqueSocket& socket) {
    const linger abortive{1, 0};
    ::setsockopt(socket.get(), SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&abortive),
                 sizeof abortive);
    socket.reset();
}

LoopbackListener::LoopbackListener() : socket_(occupyLoopbackPort(0)) {
    if (socket_) {
        port_ = localPort(socket_.get());
    }
}

LoopbackClient::LoopbackClient(std::uint16_t port) {
    const auto address = loopbackAddress(port);
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (std::chrono::steady_clock::now() < giveUp) {
        socket_ = platform::newSocket();
        if (::connect(socket_.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) ==
            0) {
            const linger abortive{1, 0};
            ::setsockopt(socket_.get(), SOL_SOCKET, SO_LINGER,
                         reinterpret_cast<const char*>(&abortive), sizeof abortive);
            const DWORD timeout = 10'000;
            ::setsockopt(socket_.get(), SOL_SOCKET, SO_RCVTIMEO,
                         reinterpret_cast<const char*>(&timeout), sizeof timeout);
            ::setsockopt(socket_.get(), SOL_SOCKET, SO_SNDTIMEO,
                         reinterpret_cast<const char*>(&timeout), sizeof timeout);
            return;
        }
        socket_.reset();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

bool LoopbackClient::send(std::string_view bytes) {
    while (!bytes.empty()) {
        const int sent = ::send(socket_.get(), bytes.data(), static_cast<int>(bytes.size()), 0);
        if (sent <= 0) {
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(sent));
    }
    return true;
}

void LoopbackClient::finishSending() {
    ::shutdown(socket_.get(), SD_SEND);
}

std::string LoopbackClient::readAll() {
    std::string answer;
    char chunk[4096];
    int count = 0;
    while ((count = ::recv(socket_.get(), chunk, sizeof chunk, 0)) > 0) {
        answer.append(chunk, static_cast<std::size_t>(count));
    }
    return answer;
}

void LoopbackClient::abort() {
    socket_.reset();
}

}  // namespace korvane::test
