#pragma once
// The service log as the tests check it: each line without its time stamp.

#include <filesystem>
#include <string>
#include <vector>

namespace korvane::test {

// "<level> <message>" for each line of <logsFolder>\service.log (none when
// the file is missing). A line whose time stamp is not of the log's form is
// kept whole, so that it fails the test's comparison visibly.
std::vector<std::string> serviceLogEvents(const std::filesystem::path& logsFolder);

// Whether some event of `events` starts with `prefix`.
bool hasEvent(const std::vector<std::string>& events, const std::string& prefix);

}  // namespace korvane::test
