#pragma once
// `korvane_service.exe diagnostics [path]`: one UTF-8 text file that a user
// hands to support. Its sections, each opened by a heading line: the version,
// the status output, the Windows version and whether this process is
// elevated, the network adapters, tun.json, config.json with the proxy's user
// information as ***, the service log with its rotated files (oldest first),
// and the programs' previous and current logs. Needs no administrator rights:
// what this user cannot read is named with the system's error text. The file
// stays under 32 MiB: when the logs would pass that, each keeps its newest
// part and says what was left out. No password or user information goes in.

#include <filesystem>
#include <optional>

#include "common/result.h"
#include "runtime/process/runtime_layout.h"

namespace korvane::service {

// Writes the report to korvane-diagnostics-<UTC time>.txt in the current
// folder, or in `target` when that is a folder, or else to `target` itself;
// gives the file's full path. Failure: the system's text.
Result<std::filesystem::path> writeDiagnostics(const runtime::RuntimeLayout& layout,
                                               const std::optional<std::filesystem::path>& target);

}  // namespace korvane::service
