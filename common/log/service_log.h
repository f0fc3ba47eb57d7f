#pragma once
// The service's own log, <data>\logs\service.log: one line per event, "UTC time
// with milliseconds, level word, message", e.g.
//   2026-12-08T01:02:03.456Z info Endpoint listening on 127.0.0.1:49190
// Any layer may write to it; until the program opens it (and after it closes
// it) writing does nothing, so libraries and their tests need no set-up.
// Writing never fails and never throws: a log that cannot be written must not
// fail the request that is being logged. Messages never carry the password,
// the proxy URL or a request body, and every line passes withoutSecrets()
// (common/secret_text.h) for what a message quotes from outside.

#include <cstddef>
#include <filesystem>
#include <string_view>

#include "common/result.h"

namespace korvane::log {

inline constexpr char kServiceLogName[] = "service.log";

// The file is renamed to service.1.log (service.1.log to service.2.log, ...)
// before a line would take it over the cap, and the oldest beyond keptFiles
// is dropped. Tests lower the cap.
struct FileLimits {
    std::size_t maxBytes = 1024 * 1024;
    std::size_t keptFiles = 3;
};

// Opens <logsFolder>\service.log for appending, creating the folder, and sends
// every later line there (replacing a log opened before). Fails with the
// reason when the file cannot be opened; writing then stays a no-op.
Status openServiceLog(const std::filesystem::path& logsFolder, FileLimits limits = {});

// Flushes and closes the log; later lines go nowhere.
void closeServiceLog() noexcept;

// One line at the level the name says. Line breaks and other control
// characters in `message` are written escaped, so a line stays one line.
void info(std::string_view message) noexcept;
void warning(std::string_view message) noexcept;
void error(std::string_view message) noexcept;

}  // namespace korvane::log
