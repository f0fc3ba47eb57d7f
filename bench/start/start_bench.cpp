// How long a successful start takes beyond the fixed 3-second settle of
// sing-box.exe, with stand-ins that are ready at once: the configuration
// build, the launches and the readiness probes. The two halves are timed
// apart, so the fixed 250 ms readiness pause (naive.exe is never listening
// at the first, immediate probe) shows separately from the work.

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
        const auto singBoxStarted = startSingBox(tree.layout(), *settings, *server);
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
    return 0;
}
