#pragma once
// The text parts of `korvane_service.exe status`: what the health answer and
// the end of the service log become in the report. Portable.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace korvane::service {

// The last `count` lines of `content` (without their line breaks; a final
// line break ends the last line rather than starting an empty one).
std::vector<std::string> lastLines(std::string_view content, std::size_t count);

// What the endpoint's answer to GET /health says: its body for a 200, "error:
// <body>" for a 500, and "unexpected answer: <its first line>" otherwise.
std::string describeHealthAnswer(std::string_view answer);

}  // namespace korvane::service
