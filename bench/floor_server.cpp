// The least an HTTP endpoint can do under the same Winsock: accept, receive
// once, answer a fixed 200, close. The health bench compares the service
// against it.
//
//   floor_server.exe <port>     (listens on 127.0.0.1 until it is ended)

#include <winsock2.h>

#include <cstdio>
#include <cstdlib>
#include <string_view>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: floor_server <port>\n", stderr);
        return 2;
    }
    WSADATA data;
    if (::WSAStartup(MAKEWORD(2, 2), &data) != 0) {
        return 1;
    }
    const SOCKET listener = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = ::htons(static_cast<u_short>(std::atoi(argv[1])));
    address.sin_addr.s_addr = ::htonl(INADDR_LOOPBACK);
    if (::bind(listener, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener, 128) != 0) {
        std::fprintf(stderr, "floor_server: cannot listen (error %d)\n", ::WSAGetLastError());
        return 1;
    }
    constexpr std::string_view kAnswer =
        "HTTP/1.1 200 OK\r\nContent-Type: application/json; charset=utf-8\r\n"
        "Content-Length: 2\r\nConnection: close\r\n\r\n{}";
    static char buffer[262'144];
    for (;;) {
        const SOCKET connection = ::accept(listener, nullptr, nullptr);
        if (connection == INVALID_SOCKET) {
            continue;
        }
        ::recv(connection, buffer, sizeof buffer, 0);
        ::send(connection, kAnswer.data(), static_cast<int>(kAnswer.size()), 0);
        ::closesocket(connection);
    }
}
