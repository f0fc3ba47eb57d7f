#include "service/caller/caller_rows.h"

#include <algorithm>

namespace korvane::service {
namespace {

bool sameEnd(std::uint32_t rowAddress, std::uint32_t rowPort, NetworkEndpoint end) {
    return rowAddress == end.address && static_cast<std::uint16_t>(rowPort & 0xFFFFu) == end.port;
}

}  // namespace

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
