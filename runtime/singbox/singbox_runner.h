#pragma once
// Starts sing-box.exe with the generated tun.json once the local SOCKS5 port
// answers, keeps it in the sing-box slot, and stops it again.

#include <string>

#include "common/clock.h"
#include "common/result.h"
#include "runtime/naive/listener_table.h"
#include "runtime/process/runtime_layout.h"
#include "runtime/records/records.h"

namespace korvane::runtime {

struct SingBoxStartResult {
    std::string interfaceName;
    std::string address;  // with its "/30"
};

// Stops any earlier sing-box.exe, waits up to 2 s for the SOCKS5 port of the
// naive.exe in the naive slot (localSocksReadyFor with its id and
// `listeners`, paced by `clock`), writes the configuration, launches
// "sing-box.exe run -c <tun.json>" from its own folder and treats it as
// started when it still runs 3 s later. It waits on the process itself for
// those 3 s, so an exit during them fails the start at that moment.
Result<SingBoxStartResult> startSingBox(const RuntimeLayout& layout,
                                        const StoredAppSettings& settings,
                                        const AccessServer& server, Clock& clock = systemClock(),
                                        const ListenerTable& listeners = systemListenerTable);

// The sing-box slot's stop and isRunning.
Status stopSingBox();
Result<bool> isSingBoxRunning();

}  // namespace korvane::runtime
