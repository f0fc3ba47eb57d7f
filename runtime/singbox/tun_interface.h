#pragma once
// The TUN interface's name and address, derived from the service's process id
// so that they stay the same for every start within one run of the service.

#include <cstdint>
#include <string>

namespace korvane::runtime {

// "KorvaneTun" followed by the process id in decimal.
std::string interfaceNameFor(std::uint32_t processId);

// "172.19.A.B/30" with A = pid mod 160 + 32 and B = (pid div 160) mod 63 * 4 + 1:
// A in 32..191, B in 1, 5 ... 249; the pair repeats every 10,080 ids.
std::string interfaceAddressFor(std::uint32_t processId);

}  // namespace korvane::runtime
