// How long a successful start takes with stand-ins that are ready at once:
// first with a sing-box.exe whose adapter never shows (the start then waits
// the full 3 s for it, as every start did before the adapter was looked for),
// then with one whose adapter is up at once (the stand-in has
// tests/with_tun_devices.sh make its TUN device). The two halves are timed
// apart. Then how soon a start fails when sing-box.exe exits at once: its
// half, from the SOCKS5 probe to the failure, bounds the time from the exit to
// the failure.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "runtime/naive/naive_runner.h"
#include "runtime/records/records.h"
#include "runtime/singbox/singbox_runner.h"
#include "runtime/supervisor/supervisor.h"
#include "tests/support/runtime_tree.h"
#include "tests/support/scoped_environment.h"
#include "tests/support/tun_devices.h"

namespace {

using namespace std::chrono;
using namespace korvane::runtime;
using Millis = duration<double, std::milli>;

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

struct Halves {
    std::vector<double> total, naive, singBox;
};

// `runs` successful starts, each stopped again; false when one failed.
bool timeStarts(const korvane::test::RuntimeTree& tree, const StoredAppSettings& settings,
                const AccessServer& server, int runs, Halves& halves) {
    for (int run = 0; run < runs; ++run) {
        const auto start = steady_clock::now();
        const auto naiveStarted = startNaive(tree.layout(), server);
        if (!naiveStarted) {
            std::fprintf(stderr, "start failed: %s\n", naiveStarted.error().c_str());
            return false;
        }
        const auto afterNaive = steady_clock::now();
        const auto singBoxStarted =
            startSingBox(tree.layout(), settings, server.host, naiveStarted->processId);
        const auto end = steady_clock::now();
        (void)handleStop();
        if (!singBoxStarted) {
            std::fprintf(stderr, "start failed: %s\n", singBoxStarted.error().c_str());
            return false;
        }
        halves.total.push_back(Millis(end - start).count());
        halves.naive.push_back(Millis(afterNaive - start).count());
        halves.singBox.push_back(Millis(end - afterNaive).count());
    }
    return true;
}

void print(const char* what, const Halves& halves) {
    std::printf("successful start, %s, median of %zu runs: %.0f ms (slowest %.0f ms)\n", what,
                halves.total.size(), median(halves.total),
                *std::max_element(halves.total.begin(), halves.total.end()));
    std::printf("  naive.exe half (checks, config, launch, readiness): %.1f ms\n",
                median(halves.naive));
    std::printf("  sing-box.exe half (probe, tun.json, launch, adapter): %.1f ms\n",
                median(halves.singBox));
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(5, std::atoi(argv[1])) : 7;
    korvane::test::RuntimeTree tree;
    const auto settings = parseStoredAppSettings(korvane::test::splitSettingsJson());
    const auto server = parseAccessServer(korvane::test::serverJson(tree.serverPort()));

    Halves withoutAdapter;
    {
        korvane::test::ScopedEnvironment noDevice(L"KORVANE_TUN_REQUESTS", L"");
        if (!timeStarts(tree, *settings, *server, runs, withoutAdapter)) {
            return 1;
        }
    }
    print("no adapter seen (the 3 s limit)", withoutAdapter);
    if (korvane::test::tunDevicesAvailable()) {
        Halves adapterAtOnce;
        if (!timeStarts(tree, *settings, *server, runs, adapterAtOnce)) {
            return 1;
        }
        print("adapter up at once", adapterAtOnce);
    } else {
        std::puts("adapter up at once: not measured (needs start_bench.sh as root)");
    }

    korvane::test::ScopedEnvironment exitAtOnce(L"KORVANE_SINGBOX_MODE", L"exit");
    std::vector<double> failed;
    for (int run = 0; run < runs; ++run) {
        const auto naiveStarted = startNaive(tree.layout(), *server);
        if (!naiveStarted) {
            std::fprintf(stderr, "start failed: %s\n", naiveStarted.error().c_str());
            return 1;
        }
        const auto start = steady_clock::now();
        const auto singBoxStarted =
            startSingBox(tree.layout(), *settings, server->host, naiveStarted->processId);
        failed.push_back(Millis(steady_clock::now() - start).count());
        (void)handleStop();
        if (singBoxStarted) {
            std::fputs("a sing-box.exe that exits at once was taken as started\n", stderr);
            return 1;
        }
    }
    const double slowest = *std::max_element(failed.begin(), failed.end());
    std::printf(
        "failed start, sing-box.exe exiting at once: its half (probe, tun.json, launch, "
        "exit, failure) median %.1f ms, slowest %.1f ms\n",
        median(failed), slowest);
    return 0;
}
