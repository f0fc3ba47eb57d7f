#pragma once
// Waiting for the client process to end before its executable is replaced.
// The process lister is a seam: the program runs tasklist, tests pass scripts.

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "common/clock.h"

namespace korvane::updater {

// The lister's standard output for one run, or nothing when it could not run.
using ProcessLister = std::function<std::optional<std::string>(std::uint32_t pid)>;

inline constexpr std::chrono::milliseconds kListerInterval{200};
// The wait gives up once this many whole seconds have passed.
inline constexpr std::chrono::seconds kWaitLimit{20};

// Whether the pid's decimal digits occur anywhere in the output, read as UTF-8
// with undecodable bytes replaced.
bool outputMentionsPid(std::string_view output, std::uint32_t pid);

// Runs the lister every 200 ms while its output mentions the pid; returns when
// it does not, when the lister cannot run, or after 20 whole seconds. Each of
// these lets the update go on.
void waitForClientExit(std::uint32_t pid, const ProcessLister& lister, Clock& clock);

}  // namespace korvane::updater
