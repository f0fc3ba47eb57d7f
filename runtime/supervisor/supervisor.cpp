#include "runtime/supervisor/supervisor.h"

#include <cstdint>
#include <exception>
#include <mutex>
#include <nlohmann/json.hpp>
#include <utility>

#include "common/log/service_log.h"
#include "runtime/naive/local_socks.h"
#include "runtime/naive/naive_runner.h"
#include "runtime/records/records.h"
#include "runtime/singbox/singbox_runner.h"
#include "runtime/supervisor/watcher.h"

namespace korvane::runtime {
namespace {

struct StartResult {
    std::uint16_t localSocksPort = 0;
    std::string serverHost;
    std::string interfaceName;
    std::string address;
};

// Runs a handler body; an exception that escapes it becomes its failure. A
// slot whose lock was held at that moment has marked itself broken.
template <typename Body>
auto guarded(Body body) -> decltype(body()) {
    try {
        return body();
    } catch (const std::exception& error) {
        return fail(std::string("Internal error: ") + error.what());
    } catch (...) {
        return fail("Internal error.");
    }
}

// naive.exe first, then sing-box.exe in front of its SOCKS5 port; naive.exe is
// stopped again when the second half fails. Each step runs here once: the
// runners check neither the protocol nor stop sing-box.exe themselves.
//
// The running sing-box.exe is ended before naive.exe is touched (the order of
// handleStop): were it left running while the start failed, it would send
// every connection of the machine into port 1080, where nothing of ours
// listens and any program could. A refused protocol changes nothing; a
// sing-box.exe that cannot be ended keeps its naive.exe.
Result<StartResult> connectVpn(const RuntimeLayout& layout, StoredAppSettings settings,
                               AccessServer server) {
    KORVANE_TRY(checkNaiveProtocol(server));
    KORVANE_TRY(stopSingBox());
    KORVANE_TRY_ASSIGN(NaiveStartResult naive, startNaive(layout, server));
    auto singBox = startSingBox(layout, settings, naive.serverHost, naive.processId);
    if (!singBox) {
        (void)stopNaive();
        return fail(singBox.error());
    }
    return StartResult{naive.localSocksPort, std::move(naive.serverHost),
                       std::move(singBox->interfaceName), std::move(singBox->address)};
}

}  // namespace

Result<std::string> handleStart(const RuntimeLayout& layout, std::string_view settingsJson,
                                std::string_view serverJson, Clock& restartClock) {
    return guarded([&]() -> Result<std::string> {
        KORVANE_TRY_ASSIGN(StartRecords records, readStartRecords(settingsJson, serverJson));
        const Watcher::Ticket ticket = watcher().cancelForStart();
        const std::lock_guard turn(watcher().turn());
        auto connected = connectVpn(layout, std::move(records.settings), std::move(records.server));
        if (!connected) {
            watcher().resume(ticket);
            return fail(std::move(connected.error()));
        }
        log::info("Start succeeded: interface " + connected->interfaceName + ", address " +
                  connected->address);
        // The files are where the runners wrote them.
        watcher().watch(
            WatchedVpn{layout,
                       layout.naiveConfigFile(),
                       {layout.singBoxConfigFile(), connected->interfaceName, connected->address}},
            restartClock, ticket);
        // Members in the order the client reads them.
        nlohmann::ordered_json result;
        result["localSocksPort"] = connected->localSocksPort;
        result["serverHost"] = connected->serverHost;
        result["interfaceName"] = connected->interfaceName;
        result["address"] = connected->address;
        return result.dump();
    });
}

Status handleStop() {
    return guarded([]() -> Status {
        // N.B. Without the turn: the service control handler's thread stops
        // the runtime while a start may hold it, and must not wait for that.
        // A restart in progress ends what it launched itself.
        (void)watcher().cancel();
        const Status singBox = stopSingBox();
        const Status naive = stopNaive();
        return singBox ? naive : singBox;
    });
}

Status handleServiceStop() {
    return guarded([]() -> Status {
        watcher().end();
        return handleStop();
    });
}

Result<std::string> handleHealth() {
    // N.B. Without the turn: health reads the slots as they are, also while a
    // restart runs, rather than wait seconds for it.
    return guarded([]() -> Result<std::string> {
        const auto naiveRunning = isNaiveRunning();
        if (!naiveRunning.has_value()) {
            return fail(naiveRunning.error());
        }
        const auto singBoxRunning = isSingBoxRunning();
        if (!singBoxRunning.has_value()) {
            return fail(singBoxRunning.error());
        }
        const bool socksReady = probeLocalSocks();
        nlohmann::ordered_json status;
        status["healthy"] = *naiveRunning && *singBoxRunning && socksReady;
        status["naiveRunning"] = *naiveRunning;
        status["singBoxRunning"] = *singBoxRunning;
        status["socksReady"] = socksReady;
        return status.dump();
    });
}

}  // namespace korvane::runtime
