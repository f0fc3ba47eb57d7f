#include "runtime/naive/tests/fake_socks_server.h"

#include "runtime/naive/local_socks_port.h"
#include "tests/support/loopback.h"

namespace korvane::test {

FakeSocksServer::FakeSocksServer(Behaviour behaviour, unsigned char method)
    : behaviour_(behaviour),
      method_(method),
      listener_(occupyLoopbackPort(runtime::kLocalSocksPort)) {
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

}  // namespace korvane::test
