#include "runtime/singbox/singbox_runner.h"

#include <chrono>
#include <utility>

#include "runtime/naive/local_socks.h"
#include "runtime/naive/naive_runner.h"
#include "runtime/naive/readiness_wait.h"
#include "runtime/process/launch.h"
#include "runtime/process/process_slot.h"
#include "runtime/singbox/config_builder.h"

namespace korvane::runtime {
namespace {

using namespace std::chrono_literals;

constexpr auto kSocksTimeout = 2s;
// sing-box exits within this time when it cannot create the TUN interface.
constexpr auto kSettleTime = 3s;

}  // namespace

Result<SingBoxStartResult> startSingBox(const RuntimeLayout& layout,
                                        const StoredAppSettings& settings,
                                        const AccessServer& server, Clock& clock,
                                        const ListenerTable& listeners) {
    if (auto stopped = stopSingBox(); !stopped) {
        return fail(stopped.error());
    }
    // Without a naive.exe of ours (0) any listener with a known owner is
    // someone else's.
    const std::uint32_t naiveId = naiveProcessId().value_or(0);
    if (!waitForReadiness(clock, kSocksTimeout,
                          [&] { return localSocksReadyFor(naiveId, listeners); })) {
        return fail("NaiveProxy local SOCKS5 is not available before TUN start." +
                    readLogTail(layout, "naive"));
    }
    const auto program = layout.find(RuntimeProgram::SingBox);
    if (!program) {
        return fail("sing-box.exe was not found.");
    }
    auto config = buildSingBoxConfig(layout, settings, server.host);
    if (!config) {
        return fail(config.error());
    }
    const LaunchCommand command{
        *program, {L"run", L"-c", config->configPath.wstring()}, workingDirectoryFor(*program)};
    auto child = launchWithLog(layout, "sing-box", command);
    if (!child) {
        return fail("Failed to start sing-box.exe: " + child.error());
    }
    if (auto stored = singBoxSlot().store(std::move(*child)); !stored) {
        return fail(stored.error());
    }
    // N.B. a wait on the process rather than a sleep: an exit during the settle
    // fails the start at that moment, while a start that succeeds still takes
    // the whole settle.
    if (auto settled = singBoxSlot().waitForExit(kSettleTime); !settled) {
        return fail(settled.error());
    }
    const auto running = isSingBoxRunning();
    if (!running.has_value()) {
        return fail(running.error());
    }
    if (!*running) {
        (void)stopSingBox();
        return fail(
            "sing-box exited early. Run the app as administrator and check that TUN is "
            "available." +
            readLogTail(layout, "sing-box"));
    }
    return SingBoxStartResult{std::move(config->interfaceName), std::move(config->address)};
}

Status stopSingBox() {
    return singBoxSlot().stop();
}

Result<bool> isSingBoxRunning() {
    return singBoxSlot().isRunning();
}

}  // namespace korvane::runtime
