#include "service/caller/caller_rows.h"

#include <algorithm>
#include <bit>

namespace korvane::service {
namespace {

bool sameEnd(std::uint32_t rowAddress, std::uint32_t rowPort, NetworkEndpoint end) {
    return rowAddress == end.address && static_cast<std::uint16_t>(rowPort & 0xFFFFu) == end.port;
}

}  // namespace

std::optional<std::uint32_t> mappedIpv4Address(const std::array<std::uint8_t, 16>& address) {
    constexpr std::array<std::uint8_t, 12> kMappedPrefix{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF};
    if (!std::equal(kMappedPrefix.begin(), kMappedPrefix.end(), address.begin())) {
        return std::nullopt;
    }
    // The last four bytes in order are the address in network byte order.
    return std::bit_cast<std::uint32_t>(
        std::array<std::uint8_t, 4>{address[12], address[13], address[14], address[15]});
}

std::vector<std::uint32_t> connectionOwners(std::span<const TcpOwnerRow> rows,
                                            NetworkEndpoint client, NetworkEndpoint server) {
    std::vector<std::uint32_t> owners;
    for (const TcpOwnerRow& row : rows) {
        if (row.ownerPid != 0 && sameEnd(row.localAddress, row.localPort, client) &&
            sameEnd(row.remoteAddress, row.remotePort, server) &&
            std::find(owners.begin(), owners.end(), row.ownerPid) == owners.end()) {
            owners.push_back(row.ownerPid);
        }
    }
    return owners;
}

}  // namespace korvane::service
