#pragma once
// The log tail that the runners append to their failure messages. Portable:
// the file is read elsewhere.

#include <cstddef>
#include <string>
#include <string_view>

namespace korvane::runtime {

// How much of the end of a log is read for its tail: a child that wrote
// gigabytes must not make a failure message allocate gigabytes.
inline constexpr std::size_t kLogTailBytes = 64 * 1024;

// The whole lines among a log's last bytes. When they were `cut` from a longer
// log, everything up to and including their first line feed is dropped (all of
// them when there is none), so that a line, or a character, cut short at the
// start never reaches the tail.
std::string_view wholeLines(std::string_view lastBytes, bool cut);

// " Last log lines: " and the last 8 non-empty lines of `content` (trimmed of
// Unicode white space, oldest first) joined by " | "; the empty text when
// there are none or `content` is not UTF-8.
std::string formatLogTail(std::string_view content);

}  // namespace korvane::runtime
