// How long a successful start takes beyond the fixed 3-second settle of
// sing-box.exe, with stand-ins that are ready at once: the configuration
// build, the launches and the readiness probes. The two halves are timed
// apart, so the readiness pause (naive.exe is never listening at the first,
// immediate probe) shows separately from the work. Then how soon a start
// fails when sing-box.exe exits at once: its half, from the SOCKS5 probe to
// the failure, bounds the time from the exit to the failure.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "runtime/naive/naive_runner.h"
#include "runtime/records/records.h"
#include "runtime/singbox/singbox_runner.h"
#include "runtime/supervisor/supervisor.h"
#include "tests/support/runtime_tree.h"
#include "tests/support/scoped_environment.h"

namespace {

using Millis = std::chrono::duration<double, std::milli>;

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    using namespace std::chrono;
    using namespace korvane::runtime;
    const int runs = argc > 1 ? std::max(5, std::atoi(argv[1])) : 7;
    korvane::test::RuntimeTree tree;
    const auto settings = parseStoredAppSettings(korvane::test::splitSettingsJson());
    const auto server = parseAccessServer(korvane::test::serverJson(tree.serverPort()));

    std::vector<double> total, naive, singBox;
    for (int run = 0; run < runs; ++run) {
        const auto start = steady_clock::now();
        const auto naiveStarted = startNaive(tree.layout(), *server);
        const auto afterNaive = steady_clock::now();
        const auto singBoxStarted = startSingBox(tree.layout(), *settings, server->host,
                                                 naiveStarted ? naiveStarted->processId : 0);
        const auto end = steady_clock::now();
        if (!naiveStarted || !singBoxStarted) {
            std::fprintf(stderr, "start failed: %s\n",
                         (naiveStarted ? singBoxStarted.error() : naiveStarted.error()).c_str());
            return 1;
        }
        (void)handleStop();
        total.push_back(Millis(end - start - 3s).count());
        naive.push_back(Millis(afterNaive - start).count());
        singBox.push_back(Millis(end - afterNaive - 3s).count());
    }
    std::printf("successful start beyond the 3 s settle, median of %d runs: %.1f ms\n", runs,
                median(total));
    std::printf("  naive.exe half (checks, config, launch, readiness): %.1f ms\n", median(naive));
    std::printf("  sing-box.exe half beyond the settle (probe, tun.json, launch): %.1f ms\n",
                median(singBox));

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
