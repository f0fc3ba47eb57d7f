#pragma once
// The loopback SOCKS5 port that naive.exe offers and sing-box.exe routes into.

#include <cstdint>

namespace korvane::runtime {

// Fixed: the client shows it and sing-box's configuration names it.
inline constexpr std::uint16_t kLocalSocksPort = 1080;

}  // namespace korvane::runtime
