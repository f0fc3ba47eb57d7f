#include "runtime/naive/listener_table.h"

#include <iphlpapi.h>
#include <winsock2.h>
#include <ws2tcpip.h>

#include <algorithm>
#include <cstddef>

namespace korvane::runtime {
namespace {

using Address = ListenerRow::Address;

// The table of one address family, as GetExtendedTcpTable fills it. The table
// may grow between the size query and the read, so the size is asked again.
std::optional<std::vector<std::byte>> listenerTable(ULONG family) {
    std::vector<std::byte> buffer;
    DWORD size = 0;
    for (int attempt = 0; attempt < 4; ++attempt) {
        const DWORD result = ::GetExtendedTcpTable(buffer.empty() ? nullptr : buffer.data(), &size,
                                                   FALSE, family, TCP_TABLE_OWNER_PID_LISTENER, 0);
        if (result == NO_ERROR) {
            return buffer;
        }
        if (result != ERROR_INSUFFICIENT_BUFFER) {
            return std::nullopt;
        }
        buffer.resize(size);
    }
    return std::nullopt;
}

std::uint16_t portOf(DWORD networkOrderPort) {
    return ::ntohs(static_cast<u_short>(networkOrderPort));
}

Address addressOf(DWORD networkOrderAddress) {
    if (networkOrderAddress == ::htonl(INADDR_LOOPBACK)) {
        return Address::loopback;
    }
    return networkOrderAddress == INADDR_ANY ? Address::any : Address::other;
}

Address addressOf(const UCHAR (&address)[16]) {
    static constexpr UCHAR kMappedLoopback[16] = {0, 0, 0,    0,    0,   0, 0, 0,
                                                  0, 0, 0xFF, 0xFF, 127, 0, 0, 1};
    if (std::all_of(std::begin(address), std::end(address), [](UCHAR b) { return b == 0; })) {
        return Address::any;
    }
    return std::equal(std::begin(address), std::end(address), std::begin(kMappedLoopback))
               ? Address::loopback
               : Address::other;
}

}  // namespace

std::optional<std::vector<ListenerRow>> systemListenerTable() {
    const auto v4 = listenerTable(AF_INET);
    const auto v6 = listenerTable(AF_INET6);
    if (!v4 || !v6) {
        return std::nullopt;
    }
    std::vector<ListenerRow> rows;
    if (!v4->empty()) {
        const auto* table = reinterpret_cast<const MIB_TCPTABLE_OWNER_PID*>(v4->data());
        for (DWORD i = 0; i < table->dwNumEntries; ++i) {
            const MIB_TCPROW_OWNER_PID& row = table->table[i];
            rows.push_back({addressOf(row.dwLocalAddr), portOf(row.dwLocalPort), row.dwOwningPid});
        }
    }
    if (!v6->empty()) {
        const auto* table = reinterpret_cast<const MIB_TCP6TABLE_OWNER_PID*>(v6->data());
        for (DWORD i = 0; i < table->dwNumEntries; ++i) {
            const MIB_TCP6ROW_OWNER_PID& row = table->table[i];
            rows.push_back({addressOf(row.ucLocalAddr), portOf(row.dwLocalPort), row.dwOwningPid});
        }
    }
    return rows;
}

}  // namespace korvane::runtime
