#pragma once
// The platform's process lister, asked about one process id.

#include <cstdint>
#include <optional>
#include <string>

namespace korvane::updater {

// Runs tasklist.exe (found as CreateProcessW finds a bare name: the updater's
// folder, the current folder, the system folders, PATH; started by its full
// path) with "/FI", "PID eq <pid>", "/NH" and no console window, and returns
// its standard output; nothing when it is not found or cannot be started. Its
// exit status does not matter.
std::optional<std::string> runTasklist(std::uint32_t pid);

}  // namespace korvane::updater
