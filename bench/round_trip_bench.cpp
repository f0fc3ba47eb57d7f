// Times HTTP round trips (connect, send one request, read the answer to its
// end, abortive close) against one or more loopback endpoints, taking turns
// between them so that they share the same machine load.
//
//   round_trip_bench.exe [--clients=C] [--silent=S] <count> "<method> <path>"
//                        <label>=<port> [<label>=<port>...]
//
// --clients=C: C clients at once, each making <count> round trips to each
// endpoint in turn (default 1). --silent=S: meanwhile S further connections
// to the first endpoint that send nothing, each opened again as soon as the
// endpoint answers or closes it, so that S are held open throughout.
//
// Prints one line per endpoint with the median, the 99th percentile and the
// slowest round trip, the ratio of each endpoint's median to the first one's,
// and how many round trips were answered and how many failed.

#include <winsock2.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace {

struct Endpoint {
    std::string label;
    u_short port = 0;
    std::vector<double> milliseconds;
    int failures = 0;
};

sockaddr_in loopback(u_short port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = ::htons(port);
    address.sin_addr.s_addr = ::htonl(INADDR_LOOPBACK);
    return address;
}

// Abortive close: no TIME_WAIT left behind on either side.
void closeAbortively(SOCKET s) {
    const linger abortive{1, 0};
    ::setsockopt(s, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&abortive),
                 sizeof abortive);
    ::closesocket(s);
}

// One exchange; false when the connection failed or no status line came back.
bool roundTrip(u_short port, const std::string& request) {
    const SOCKET s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    const sockaddr_in address = loopback(port);
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
    closeAbortively(s);
    return answered;
}

// Holds `count` silent connections to `port` open until `done` is set.
void holdSilent(u_short port, int count, const std::atomic<bool>& done) {
    const sockaddr_in address = loopback(port);
    const auto open = [&] {
        const SOCKET s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        ::connect(s, reinterpret_cast<const sockaddr*>(&address), sizeof address);
        return WSAPOLLFD{s, POLLRDNORM, 0};
    };
    std::vector<WSAPOLLFD> held;
    for (int i = 0; i < count; ++i) {
        held.push_back(open());
    }
    while (!done.load()) {
        if (::WSAPoll(held.data(), static_cast<ULONG>(held.size()), 20) <= 0) {
            continue;
        }
        for (WSAPOLLFD& entry : held) {
            if (entry.revents != 0) {
                closeAbortively(entry.fd);  // answered or closed: open another
                entry = open();
            }
        }
    }
    for (const WSAPOLLFD& entry : held) {
        closeAbortively(entry.fd);
    }
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
    int clients = 1;
    int silent = 0;
    while (argc > 1 && std::string_view(argv[1]).starts_with("--")) {
        const std::string_view option = argv[1];
        if (option.starts_with("--clients=")) {
            clients = std::max(1, std::atoi(argv[1] + 10));
        } else if (option.starts_with("--silent=")) {
            silent = std::max(0, std::atoi(argv[1] + 9));
        }
        ++argv;
        --argc;
    }
    if (argc < 4) {
        std::fputs(
            "usage: round_trip_bench [--clients=C] [--silent=S] <count> "
            "\"<method> <path>\" <label>=<port>...\n",
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

    std::atomic<bool> done{false};
    std::thread holder;
    if (silent > 0) {
        holder = std::thread(holdSilent, endpoints.front().port, silent, std::cref(done));
        std::this_thread::sleep_for(std::chrono::milliseconds(500));  // all of them open
    }
    using Clock = std::chrono::steady_clock;
    std::mutex mutex;
    const auto client = [&] {
        for (int round = 0; round < count; ++round) {
            for (Endpoint& endpoint : endpoints) {
                const auto started = Clock::now();
                const bool answered = roundTrip(endpoint.port, request);
                const std::chrono::duration<double, std::milli> elapsed = Clock::now() - started;
                std::lock_guard lock(mutex);
                if (answered) {
                    endpoint.milliseconds.push_back(elapsed.count());
                } else {
                    ++endpoint.failures;
                }
            }
        }
    };
    std::vector<std::thread> running;
    for (int i = 0; i < clients; ++i) {
        running.emplace_back(client);
    }
    for (std::thread& thread : running) {
        thread.join();
    }
    done.store(true);
    if (holder.joinable()) {
        holder.join();
    }

    const double baseline = percentile(endpoints.front().milliseconds, 0.5);
    for (const Endpoint& endpoint : endpoints) {
        const double median = percentile(endpoint.milliseconds, 0.5);
        std::printf(
            "%-10s median %.3f ms  p99 %.3f ms  max %.3f ms  ratio %.2f  (%zu answered, %d "
            "failed)\n",
            endpoint.label.c_str(), median, percentile(endpoint.milliseconds, 0.99),
            percentile(endpoint.milliseconds, 1), baseline > 0 ? median / baseline : 0.0,
            endpoint.milliseconds.size(), endpoint.failures);
    }
    return 0;
}
