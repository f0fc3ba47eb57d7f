#pragma once
// The text of an operating-system error: the system's description followed by
// " (os error N)". Winsock errors are system errors too.

#include <cstdint>
#include <string>

namespace korvane::platform {

std::string osErrorText(std::uint32_t code);

// osErrorText(GetLastError()).
std::string lastOsErrorText();

// osErrorText(WSAGetLastError()).
std::string lastSocketErrorText();

}  // namespace korvane::platform
