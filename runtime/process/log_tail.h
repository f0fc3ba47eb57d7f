#pragma once
// The log tail that the runners append to their failure messages. Portable:
// the file is read elsewhere.

#include <string>
#include <string_view>

namespace korvane::runtime {

// " Last log lines: " and the last 8 non-empty lines of `content` (trimmed of
// Unicode white space, oldest first) joined by " | "; the empty text when
// there are none or `content` is not UTF-8.
std::string formatLogTail(std::string_view content);

}  // namespace korvane::runtime
