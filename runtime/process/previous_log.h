#pragma once
// A runtime program's log is recreated at each start; the one before is kept
// beside it, so that after a retry the user can still read why the last
// attempt failed.

#include <filesystem>

namespace korvane::runtime {

// <folder>\naive.log -> <folder>\naive.previous.log
std::filesystem::path previousLogPath(const std::filesystem::path& log);

// Renames `log` to previousLogPath(log), replacing an older one. A missing
// log is nothing to keep; a rename that fails is written to the service log
// and otherwise ignored: the start goes on, and the log is recreated over
// the old content.
void keepPreviousLog(const std::filesystem::path& log);

}  // namespace korvane::runtime
