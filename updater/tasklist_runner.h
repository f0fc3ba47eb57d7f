#pragma once
// The platform's process lister, asked about one process id.

#include <cstdint>
#include <optional>
#include <string>

namespace korvane::updater {

// Runs <system folder>\tasklist.exe by its full path (never searched for
// along any path) with "/FI", "PID eq <pid>", "/NH" and no console window, and
// returns its standard output; nothing when it is not there or cannot be
// started. Its exit status does not matter.
std::optional<std::string> runTasklist(std::uint32_t pid);

}  // namespace korvane::updater
