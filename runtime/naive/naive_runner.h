#pragma once
// naive.exe: the proxy client that offers SOCKS5 on 127.0.0.1:1080. It is
// started from a server record, kept in the naive slot, and stopped again.

#include <cstdint>
#include <filesystem>
#include <string>

#include "common/clock.h"
#include "common/result.h"
#include "runtime/naive/listener_table.h"
#include "runtime/naive/local_socks.h"
#include "runtime/process/runtime_layout.h"
#include "runtime/records/records.h"

namespace korvane::runtime {

struct NaiveStartResult {
    std::string serverHost;  // the record's host exactly as received
    std::uint16_t localSocksPort = 0;
    std::uint32_t processId = 0;  // of the naive.exe started
};

// Stops any earlier naive.exe, checks that port 1080 is free and the server
// reachable, writes naive\config.json and launches it (launchNaive). The
// caller has checked the protocol (checkNaiveProtocol). The first failure is
// the result, as a message for the client.
Result<NaiveStartResult> startNaive(const RuntimeLayout& layout, AccessServer server,
                                    Clock& clock = systemClock(),
                                    const ListenerTable& listeners = systemListenerTable);

// Starts naive.exe with `configPath` (a config.json already on disk) and its
// output in the "naive" log, stores it in the naive slot and waits for its
// SOCKS5 port (through `clock`), which counts only once the listener is this
// naive.exe's as far as `listeners` tell; a naive.exe that did not become
// ready is ended. Answers its process id. The naive slot must hold no running
// child. Failures: "naive.exe was not found.", "Failed to start naive.exe:
// <system text>", "NaiveProxy started, but local SOCKS5 did not become
// ready.<log tail>". Safe on any thread while no other operation starts or
// stops naive.exe.
Result<std::uint32_t> launchNaive(const RuntimeLayout& layout,
                                  const std::filesystem::path& configPath,
                                  Clock& clock = systemClock(),
                                  const ListenerTable& listeners = systemListenerTable);

// "Unsupported VPN protocol: <protocol>" unless the protocol is NaiveProxy
// (ignoring ASCII case).
Status checkNaiveProtocol(const AccessServer& server);

// The naive slot's stop, isRunning and processId.
Status stopNaive();
Result<bool> isNaiveRunning();
Result<std::uint32_t> naiveProcessId();

// Writes <data>\naive\config.json readable by SYSTEM, Administrators and its
// owner only; returns its path.
Result<std::filesystem::path> writeNaiveConfig(const RuntimeLayout& layout,
                                               const AccessServer& server);

}  // namespace korvane::runtime
