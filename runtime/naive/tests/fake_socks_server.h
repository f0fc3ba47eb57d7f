#pragma once
// A SOCKS5 server on 127.0.0.1:1080 inside the test process, answering the
// method negotiation as the test says.

#include <winsock2.h>

#include <atomic>
#include <thread>

#include "platform/handles.h"

namespace korvane::test {

class FakeSocksServer {
  public:
    enum class Behaviour {
        Answer,       // the two reply bytes, after reading the greeting
        CloseAtOnce,  // closes without answering
        NeverAnswer,  // holds the connection until the client gives up
    };

    explicit FakeSocksServer(Behaviour behaviour, unsigned char method = 0x00);
    FakeSocksServer(const FakeSocksServer&) = delete;
    FakeSocksServer& operator=(const FakeSocksServer&) = delete;
    ~FakeSocksServer();

    bool listening() const { return static_cast<bool>(listener_); }

  private:
    void serve();
    void answer(SOCKET client);

    Behaviour behaviour_;
    unsigned char method_;
    platform::UniqueSocket listener_;
    std::atomic<bool> stopping_{false};
    std::thread thread_;
};

}  // namespace korvane::test
