// Times sequential HTTP round trips (connect, send one request, read the
// answer to its end, abortive close) against one or more loopback endpoints,
// taking turns between them so that they share the same machine load.
//
//   round_trip_bench.exe <count> "<method> <path>" <label>=<port> [<label>=<port>...]
//
// Prints one line per endpoint with the median and the 99th percentile, and
// the ratio of each endpoint's median to the first one's.

#include <winsock2.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

struct Endpoint {
    std::string label;
    u_short port = 0;
    std::vector<double> milliseconds;
    int failures = 0;
};

// One exchange; false when the connection failed or no status line came back.
bool roundTrip(u_short port, const std::string& request) {
    const SOCKET s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = ::htons(port);
    address.sin_addr.s_addr = ::htonl(INADDR_LOOPBACK);
    bool answered = false;
    if (::connect(s, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 &&
        ::send(s, request.data(), static_cast<int>(request.size()), 0) ==
            static_cast<int>(request.size())) {
        char buffer[4096];
        std::string answer;
        int count = 0;
        while ((count = ::recv(s, buffer, sizeof buffer, 0)) > 0) {
            answer.append(buffer, static_cast<std::size_t>(count));
        }
        answered = answer.starts_with("HTTP/1.1 ");
    }
    // Abortive close: no TIME_WAIT left behind on either side.
    const linger abortive{1, 0};
    ::setsockopt(s, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&abortive),
                 sizeof abortive);
    ::closesocket(s);
    return answered;
}

double percentile(std::vector<double> values, double fraction) {
    if (values.empty()) {
        return 0;
    }
    std::sort(values.begin(), values.end());
    const auto index =
        static_cast<std::size_t>(fraction * static_cast<double>(values.size() - 1) + 0.5);
    return values[index];
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fputs("usage: round_trip_bench <count> \"<method> <path>\" <label>=<port>...\n",
                   stderr);
        return 2;
    }
    WSADATA data;
    if (::WSAStartup(MAKEWORD(2, 2), &data) != 0) {
        return 1;
    }
    const int count = std::atoi(argv[1]);
    const std::string request = std::string(argv[2]) + " HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n";
    std::vector<Endpoint> endpoints;
    for (int i = 3; i < argc; ++i) {
        const std::string nameAndPort = argv[i];
        const auto equals = nameAndPort.find('=');
        endpoints.push_back(
            {nameAndPort.substr(0, equals),
             static_cast<u_short>(std::atoi(nameAndPort.substr(equals + 1).c_str())),
             {},
             0});
    }
    using Clock = std::chrono::steady_clock;
    for (int round = 0; round < count; ++round) {
        for (Endpoint& endpoint : endpoints) {
            const auto started = Clock::now();
            const bool answered = roundTrip(endpoint.port, request);
            const std::chrono::duration<double, std::milli> elapsed = Clock::now() - started;
            if (answered) {
                endpoint.milliseconds.push_back(elapsed.count());
            } else {
                ++endpoint.failures;
            }
        }
    }
    const double baseline = percentile(endpoints.front().milliseconds, 0.5);
    for (const Endpoint& endpoint : endpoints) {
        const double median = percentile(endpoint.milliseconds, 0.5);
        std::printf("%-10s median %.3f ms  p99 %.3f ms  ratio %.2f  (%zu answered, %d failed)\n",
                    endpoint.label.c_str(), median, percentile(endpoint.milliseconds, 0.99),
                    baseline > 0 ? median / baseline : 0.0, endpoint.milliseconds.size(),
                    endpoint.failures);
    }
    return 0;
}
