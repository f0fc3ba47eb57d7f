#pragma once
// Writes sing-box\tun.json in the data directory: the TUN interface in front
// of naive.exe's local SOCKS5 port, with the routing rules of one start.

#include <filesystem>
#include <string>
#include <string_view>

#include "common/result.h"
#include "runtime/process/runtime_layout.h"
#include "runtime/profiles/scan_budget.h"
#include "runtime/records/records.h"

namespace korvane::runtime {

struct SingBoxConfigResult {
    std::filesystem::path configPath;  // <data>\sing-box\tun.json
    std::string interfaceName;         // "KorvaneTun" + process id
    std::string address;               // "172.19.A.B/30"
};

// Builds and writes the document for `settings` and the server host as the
// client sent it. Fails with the system's text when the sing-box folder cannot
// be created or the file cannot be written, and with the message of
// deriveApplicationLists when the applications' folders hold more than
// `limits` allow (nothing is written then); a missing, oversized or malformed
// presets file, an unresolvable host and a missing naive.exe are no errors.
Result<SingBoxConfigResult> buildSingBoxConfig(const RuntimeLayout& layout,
                                               const StoredAppSettings& settings,
                                               std::string_view serverHost, ScanLimits limits = {});

}  // namespace korvane::runtime
