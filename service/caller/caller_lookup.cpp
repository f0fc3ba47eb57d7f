#include "service/caller/caller_lookup.h"

#include <iphlpapi.h>
#include <windows.h>

#include <algorithm>
#include <memory>

#include "platform/handles.h"

namespace korvane::service {
namespace {

std::optional<NetworkEndpoint> endOf(SOCKET connection, decltype(::getsockname) query) {
    sockaddr_in address{};
    int length = sizeof address;
    if (query(connection, reinterpret_cast<sockaddr*>(&address), &length) != 0 ||
        address.sin_family != AF_INET) {
        return std::nullopt;
    }
    return NetworkEndpoint{address.sin_addr.s_addr, address.sin_port};
}

// The connection table of `family` (Table: MIB_TCPTABLE_OWNER_PID or
// MIB_TCP6TABLE_OWNER_PID), each row through `convert`, which may leave it out.
template <typename Table, typename Convert>
std::vector<TcpOwnerRow> connectionRows(ULONG family, Convert convert) {
    // The table may grow between asking for its size and reading it.
    for (DWORD size = 16 * 1024, attempt = 0; attempt < 4; ++attempt) {
        const auto buffer = std::make_unique_for_overwrite<std::byte[]>(size);
        const DWORD result = ::GetExtendedTcpTable(buffer.get(), &size, FALSE, family,
                                                   TCP_TABLE_OWNER_PID_CONNECTIONS, 0);
        if (result == ERROR_INSUFFICIENT_BUFFER) {
            continue;
        }
        if (result != NO_ERROR) {
            return {};
        }
        const auto* table = reinterpret_cast<const Table*>(buffer.get());
        std::vector<TcpOwnerRow> rows;
        rows.reserve(table->dwNumEntries);
        for (DWORD i = 0; i < table->dwNumEntries; ++i) {
            if (const std::optional<TcpOwnerRow> row = convert(table->table[i])) {
                rows.push_back(*row);
            }
        }
        return rows;
    }
    return {};
}

std::array<std::uint8_t, 16> bytesOf(const UCHAR (&address)[16]) {
    std::array<std::uint8_t, 16> bytes{};
    std::copy(std::begin(address), std::end(address), bytes.begin());
    return bytes;
}

}  // namespace

std::vector<TcpOwnerRow> ipv4ConnectionRows() {
    return connectionRows<MIB_TCPTABLE_OWNER_PID>(
        AF_INET, [](const MIB_TCPROW_OWNER_PID& row) -> std::optional<TcpOwnerRow> {
            return TcpOwnerRow{row.dwLocalAddr, row.dwLocalPort, row.dwRemoteAddr, row.dwRemotePort,
                               row.dwOwningPid};
        });
}

std::vector<TcpOwnerRow> mappedIpv6ConnectionRows() {
    return connectionRows<MIB_TCP6TABLE_OWNER_PID>(
        AF_INET6, [](const MIB_TCP6ROW_OWNER_PID& row) -> std::optional<TcpOwnerRow> {
            const auto local = mappedIpv4Address(bytesOf(row.ucLocalAddr));
            const auto remote = mappedIpv4Address(bytesOf(row.ucRemoteAddr));
            if (!local || !remote) {
                return std::nullopt;
            }
            return TcpOwnerRow{*local, row.dwLocalPort, *remote, row.dwRemotePort, row.dwOwningPid};
        });
}

std::optional<std::wstring> processNativeImagePath(std::uint32_t pid) {
    const platform::UniqueProcess process(
        ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
    if (!process) {
        return std::nullopt;
    }
    std::wstring image(32768, L'\0');
    DWORD length = static_cast<DWORD>(image.size());
    if (!::QueryFullProcessImageNameW(process.get(), PROCESS_NAME_NATIVE, image.data(), &length)) {
        return std::nullopt;
    }
    image.resize(length);
    return image;
}

CallerDecision checkCaller(SOCKET connection, const TrustedPlaces& places) {
    const auto client = endOf(connection, ::getpeername);
    const auto server = endOf(connection, ::getsockname);
    if (!client || !server) {
        return {};
    }
    std::vector<std::uint32_t> pids = connectionOwners(ipv4ConnectionRows(), *client, *server);
    if (pids.empty()) {
        pids = connectionOwners(mappedIpv6ConnectionRows(), *client, *server);
    }
    std::vector<CallerImage> owners;
    for (const std::uint32_t pid : pids) {
        owners.push_back({pid, processNativeImagePath(pid)});
    }
    return decideCaller(owners, ::GetCurrentProcessId(), places);
}

}  // namespace korvane::service
