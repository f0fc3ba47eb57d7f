#pragma once
// Starts sing-box.exe with the generated tun.json once the local SOCKS5 port
// answers, keeps it in the sing-box slot, and stops it again.

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "common/clock.h"
#include "common/result.h"
#include "platform/network_adapters.h"
#include "runtime/naive/listener_table.h"
#include "runtime/process/runtime_layout.h"
#include "runtime/records/records.h"
#include "runtime/singbox/tun_adapter.h"

namespace korvane::runtime {

struct SingBoxStartResult {
    std::string interfaceName;
    std::string address;  // with its "/30"
};

// What a launch of sing-box.exe needs: tun.json already on disk and the
// interface it describes.
struct SingBoxLaunch {
    std::filesystem::path configPath;
    std::string interfaceName;
    std::string address;  // "a.b.c.d/30"
};

// Waits up to 2 s for the SOCKS5 port of the naive.exe with id `naiveId`
// (localSocksReadyFor with `listeners`, paced by `clock`), writes the
// configuration and launches it (launchSingBox). The caller has stopped any
// earlier sing-box.exe.
Result<SingBoxStartResult> startSingBox(
    const RuntimeLayout& layout, const StoredAppSettings& settings, std::string_view serverHost,
    std::uint32_t naiveId, Clock& clock = systemClock(),
    const ListenerTable& listeners = systemListenerTable,
    const AdapterListing& adapters = platform::listNetworkAdapters);

// Waits while an adapter named after the interface lingers
// (waitUntilAdapterGone; still there, or the adapters cannot be listed: a
// warning in the service log, and the launch goes on), launches "sing-box.exe run -c <tun.json>"
// from its own folder with its output in the "sing-box" log, stores it in the sing-box slot and
// waits for its adapter (waitForAdapterUp). It counts as started once the adapter is up with the
// address, or, when none was seen, while it still runs 3 s after the launch (the service log says
// so). The sing-box slot must hold no running child. Failures: "sing-box.exe was not found.",
// "Failed to start sing-box.exe: <system text>", and for an exit before then "sing-box exited
// early. Run the app as administrator and check that TUN is available.<log
// tail>" (the slot is stopped then). Safe on any thread while no other
// operation starts or stops sing-box.exe.
Status launchSingBox(const RuntimeLayout& layout, const SingBoxLaunch& launch,
                     Clock& clock = systemClock(),
                     const AdapterListing& adapters = platform::listNetworkAdapters);

// The sing-box slot's stop (ProcessSlot::StopMethod::InterruptFirst: a
// console Ctrl+C first) and isRunning.
Status stopSingBox();
Result<bool> isSingBoxRunning();

}  // namespace korvane::runtime
