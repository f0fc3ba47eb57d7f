#include "runtime/singbox/singbox_runner.h"

#include <chrono>
#include <utility>

#include "common/log/service_log.h"
#include "runtime/naive/local_socks.h"
#include "runtime/naive/readiness_wait.h"
#include "runtime/process/launch.h"
#include "runtime/process/process_slot.h"
#include "runtime/singbox/config_builder.h"

namespace korvane::runtime {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr auto kSocksTimeout = 2s;

void waitForLingeringAdapter(Clock& clock, const AdapterListing& adapters,
                             const std::string& interfaceName) {
    const Result<bool> gone = waitUntilAdapterGone(clock, adapters, interfaceName);
    if (!gone) {
        log::warning("Could not list the network adapters before launching sing-box.exe: " +
                     gone.error());
    } else if (!*gone) {
        log::warning("Adapter " + interfaceName + " was still there after " +
                     std::to_string(kLingeringAdapterLimit.count() / 1000) +
                     " s; launching sing-box.exe anyway");
    }
}

Result<fs::path> findSingBox(const RuntimeLayout& layout) {
    auto program = layout.find(RuntimeProgram::SingBox);
    if (!program) {
        return fail("sing-box.exe was not found.");
    }
    return std::move(*program);
}

// launchSingBox once the program was found.
Status launchFoundSingBox(const RuntimeLayout& layout, const fs::path& program,
                          const SingBoxLaunch& launch, Clock& clock,
                          const AdapterListing& adapters) {
    waitForLingeringAdapter(clock, adapters, launch.interfaceName);
    const LaunchCommand command{
        program, {L"run", L"-c", launch.configPath.wstring()}, workingDirectoryFor(program)};
    auto child = launchWithLog(layout, "sing-box", command);
    if (!child) {
        return fail("Failed to start sing-box.exe: " + child.error());
    }
    const Clock::TimePoint launched = clock.now();
    KORVANE_TRY(singBoxSlot().store(std::move(*child)));
    KORVANE_TRY_ASSIGN(const AdapterWait waited,
                       waitForAdapterUp(clock, launched, adapters, launch.interfaceName,
                                        launch.address, [] { return isSingBoxRunning(); }));
    switch (waited) {
        case AdapterWait::Up:
            return {};
        case AdapterWait::NotSeen:
            log::warning("Adapter " + launch.interfaceName + " with " + launch.address +
                         " was not seen up " + std::to_string(kAdapterLimit.count() / 1000) +
                         " s after the launch; sing-box.exe still runs, so the start goes on");
            return {};
        case AdapterWait::Exited:
            break;
    }
    (void)stopSingBox();
    return fail(
        "sing-box exited early. Run the app as administrator and check that TUN is "
        "available." +
        readLogTail(layout, "sing-box"));
}

}  // namespace

Result<SingBoxStartResult> startSingBox(const RuntimeLayout& layout,
                                        const StoredAppSettings& settings,
                                        std::string_view serverHost, std::uint32_t naiveId,
                                        Clock& clock, const ListenerTable& listeners,
                                        const AdapterListing& adapters) {
    if (!waitForReadiness(clock, kSocksTimeout,
                          [&] { return localSocksReadyFor(naiveId, listeners); })) {
        return fail("NaiveProxy local SOCKS5 is not available before TUN start." +
                    readLogTail(layout, "naive"));
    }
    KORVANE_TRY_ASSIGN(const fs::path program, findSingBox(layout));
    KORVANE_TRY_ASSIGN(SingBoxConfigResult config,
                       buildSingBoxConfig(layout, settings, serverHost));
    SingBoxLaunch launch{std::move(config.configPath), std::move(config.interfaceName),
                         std::move(config.address)};
    KORVANE_TRY(launchFoundSingBox(layout, program, launch, clock, adapters));
    return SingBoxStartResult{std::move(launch.interfaceName), std::move(launch.address)};
}

Status launchSingBox(const RuntimeLayout& layout, const SingBoxLaunch& launch, Clock& clock,
                     const AdapterListing& adapters) {
    KORVANE_TRY_ASSIGN(const fs::path program, findSingBox(layout));
    return launchFoundSingBox(layout, program, launch, clock, adapters);
}

Status stopSingBox() {
    return singBoxSlot().stop();
}

Result<bool> isSingBoxRunning() {
    return singBoxSlot().isRunning();
}

}  // namespace korvane::runtime
