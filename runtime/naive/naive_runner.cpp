#include "runtime/naive/naive_runner.h"

#include "common/text.h"
#include "runtime/naive/naive_config.h"
#include "runtime/naive/private_file.h"
#include "runtime/naive/server_check.h"
#include "runtime/process/file_io.h"
#include "runtime/process/launch.h"
#include "runtime/process/process_slot.h"

namespace korvane::runtime {

namespace fs = std::filesystem;

Result<fs::path> writeNaiveConfig(const RuntimeLayout& layout, const AccessServer& server) {
    const fs::path path = layout.dataFolder() / "naive" / "config.json";
    if (auto created = createFolders(path.parent_path()); !created) {
        return fail(created.error());
    }
    const auto text = naiveConfigText(server);
    if (!text) {
        return fail(text.error());
    }
    if (auto written = writePrivateFile(path, *text); !written) {
        return fail(written.error());
    }
    return path;
}

Status checkNaiveProtocol(const AccessServer& server) {
    if (!equalsIgnoringAsciiCase(server.protocol, "naiveproxy")) {
        return fail("Unsupported VPN protocol: " + server.protocol);
    }
    return {};
}

Result<NaiveStartResult> startNaive(const RuntimeLayout& layout, AccessServer server, Clock& clock,
                                    const ListenerTable& listeners) {
    if (auto supported = checkNaiveProtocol(server); !supported) {
        return fail(supported.error());
    }
    if (auto stopped = stopNaive(); !stopped) {
        return fail(stopped.error());
    }
    if (!loopbackPortFree(kLocalSocksPort)) {
        return fail("Local SOCKS5 port " + std::to_string(kLocalSocksPort) + " is already in use.");
    }
    if (!serverReachable(server.host, server.port)) {
        return fail("Server " + server.host + ":" + std::to_string(server.port) +
                    " is unreachable.");
    }
    const auto program = layout.find(RuntimeProgram::Naive);
    if (!program) {
        return fail("naive.exe was not found.");
    }
    const auto config = writeNaiveConfig(layout, server);
    if (!config) {
        return fail(config.error());
    }
    // naive.exe runs in another folder: it needs the full path even when the
    // data directory fell back to a relative one.
    std::error_code ignored;
    const fs::path configPath = fs::absolute(*config, ignored);
    auto child = launchWithLog(layout, "naive",
                               {*program,
                                {(configPath.empty() ? *config : configPath).wstring()},
                                workingDirectoryFor(*program)});
    if (!child) {
        return fail("Failed to start naive.exe: " + child.error());
    }
    const std::uint32_t naiveId = child->id;
    if (auto stored = naiveSlot().store(std::move(*child)); !stored) {
        return fail(stored.error());
    }
    if (waitForLocalSocks(naiveId, clock, listeners)) {
        return NaiveStartResult{std::move(server.host), kLocalSocksPort};
    }
    (void)stopNaive();
    return fail("NaiveProxy started, but local SOCKS5 did not become ready." +
                readLogTail(layout, "naive"));
}

Status stopNaive() {
    return naiveSlot().stop();
}

Result<bool> isNaiveRunning() {
    return naiveSlot().isRunning();
}

Result<std::uint32_t> naiveProcessId() {
    return naiveSlot().processId();
}

}  // namespace korvane::runtime
