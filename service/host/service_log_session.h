#pragma once
// The service log over one run of the service or of console mode: opened with
// a line that says which process this is, closed with a line that says how it
// ended.

#include <filesystem>
#include <string_view>

namespace korvane::service {

// Opens <dataFolder>\logs\service.log and writes "Service process started:
// pid <pid>, version <version>, mode <mode>, data folder <dataFolder>". A log
// that cannot be opened leaves the run without one.
void beginServiceLog(std::string_view mode, const std::filesystem::path& dataFolder);

// Writes "Service stopped: exit code <exitCode>, <n> health requests served"
// and closes the log.
void endServiceLog(std::string_view exitCode);

}  // namespace korvane::service
