#pragma once
// Text handling for log lines, kept apart from the log so that it is tested
// on its own.

#include <cstddef>
#include <string>
#include <string_view>

namespace korvane::log {

// `message` with every control byte (below 0x20, and 0x7F) written as \xNN, so
// that text from outside (a header value, a program's output) cannot start a
// line that looks like an event of its own.
std::string escapeControlBytes(std::string_view message);

// At most `maxBytes` of `value` followed by "..." when it was longer; a cut
// never splits a UTF-8 sequence.
std::string clipped(std::string_view value, std::size_t maxBytes);

}  // namespace korvane::log
