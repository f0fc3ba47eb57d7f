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
    const fs::path path = layout.naiveConfigFile();
    KORVANE_TRY(createFolders(path.parent_path()));
    KORVANE_TRY_ASSIGN(const std::string text, naiveConfigText(server));
    KORVANE_TRY(writePrivateFile(path, text));
    return path;
}

namespace {

Result<fs::path> findNaive(const RuntimeLayout& layout) {
    auto program = layout.find(RuntimeProgram::Naive);
    if (!program) {
        return fail("naive.exe was not found.");
    }
    return std::move(*program);
}

// launchNaive once the program was found.
Result<std::uint32_t> launchFoundNaive(const RuntimeLayout& layout, const fs::path& program,
                                       const fs::path& configPath, Clock& clock,
                                       const ListenerTable& listeners) {
    // naive.exe runs in another folder: it needs the full path even when the
    // data directory fell back to a relative one.
    std::error_code ignored;
    const fs::path absolute = fs::absolute(configPath, ignored);
    auto child = launchWithLog(layout, "naive",
                               {program,
                                {(absolute.empty() ? configPath : absolute).wstring()},
                                workingDirectoryFor(program)});
    if (!child) {
        return fail("Failed to start naive.exe: " + child.error());
    }
    const std::uint32_t naiveId = child->id;
    KORVANE_TRY(naiveSlot().store(std::move(*child)));
    if (waitForLocalSocks(naiveId, clock, listeners)) {
        return naiveId;
    }
    (void)stopNaive();
    return fail("NaiveProxy started, but local SOCKS5 did not become ready." +
                readLogTail(layout, "naive"));
}

}  // namespace

Status checkNaiveProtocol(const AccessServer& server) {
    if (!equalsIgnoringAsciiCase(server.protocol, "naiveproxy")) {
        return fail("Unsupported VPN protocol: " + server.protocol);
    }
    return {};
}

Result<NaiveStartResult> startNaive(const RuntimeLayout& layout, AccessServer server, Clock& clock,
                                    const ListenerTable& listeners) {
    KORVANE_TRY(stopNaive());
    if (!loopbackPortFree(kLocalSocksPort)) {
        return fail("Local SOCKS5 port " + std::to_string(kLocalSocksPort) + " is already in use.");
    }
    if (!serverReachable(server.host, server.port)) {
        return fail("Server " + server.host + ":" + std::to_string(server.port) +
                    " is unreachable.");
    }
    KORVANE_TRY_ASSIGN(const fs::path program, findNaive(layout));
    KORVANE_TRY_ASSIGN(const fs::path config, writeNaiveConfig(layout, server));
    KORVANE_TRY_ASSIGN(const std::uint32_t processId,
                       launchFoundNaive(layout, program, config, clock, listeners));
    return NaiveStartResult{std::move(server.host), kLocalSocksPort, processId};
}

Result<std::uint32_t> launchNaive(const RuntimeLayout& layout, const fs::path& configPath,
                                  Clock& clock, const ListenerTable& listeners) {
    KORVANE_TRY_ASSIGN(const fs::path program, findNaive(layout));
    return launchFoundNaive(layout, program, configPath, clock, listeners);
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
