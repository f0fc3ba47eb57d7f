#pragma once
// How a child program's exit code appears in a message.

#include <cstdint>
#include <string>

namespace korvane::service {

// "exit code: 3", or with the highest bit set (an NTSTATUS such as an access
// violation) "exit code: 0xc0000005".
std::string exitCodeText(std::uint32_t code);

}  // namespace korvane::service
