// Stands in for the desktop client in tests: sends one request to the
// endpoint, 127.0.0.1:49190, and writes the whole answer to standard output.
// Arguments: the method, the path, and optionally the body. Exits with 0 when
// an answer came, 1 when none did.

#include <winsock2.h>

#include <string>

#include "standin_support.h"

int main(int argc, char* argv[]) {
    if (argc < 3) {
        return 1;
    }
    const std::string body = argc > 3 ? argv[3] : "";
    const std::string request =
        std::string(argv[1]) + " " + argv[2] +
        " HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Length: " + std::to_string(body.size()) +
        "\r\n\r\n" + body;
    WSADATA data;
    if (::WSAStartup(MAKEWORD(2, 2), &data) != 0) {
        return 1;
    }
    const SOCKET socket = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = ::htons(49190);
    address.sin_addr.s_addr = ::htonl(INADDR_LOOPBACK);
    if (::connect(socket, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        return 1;
    }
    // Closed with a reset: nothing lingers in TIME_WAIT.
    const linger abortive{1, 0};
    ::setsockopt(socket, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&abortive),
                 sizeof abortive);
    ::send(socket, request.data(), static_cast<int>(request.size()), 0);
    std::string answer;
    char buffer[4096];
    for (int count; (count = ::recv(socket, buffer, sizeof buffer, 0)) > 0;) {
        answer.append(buffer, static_cast<std::size_t>(count));
    }
    ::closesocket(socket);
    korvane::standin::print(STD_OUTPUT_HANDLE, answer);
    return answer.empty() ? 1 : 0;
}
