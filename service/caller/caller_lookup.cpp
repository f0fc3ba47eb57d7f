#include "service/caller/caller_lookup.h"

#include <iphlpapi.h>
#include <windows.h>

#include <memory>

#include "platform/final_path.h"
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

}  // namespace

std::vector<TcpOwnerRow> tcpConnectionRows() {
    // The table may grow between asking for its size and reading it.
    for (DWORD size = 16 * 1024, attempt = 0; attempt < 4; ++attempt) {
        const auto buffer = std::make_unique_for_overwrite<std::byte[]>(size);
        const DWORD result = ::GetExtendedTcpTable(buffer.get(), &size, FALSE, AF_INET,
                                                   TCP_TABLE_OWNER_PID_CONNECTIONS, 0);
        if (result == ERROR_INSUFFICIENT_BUFFER) {
            continue;
        }
        if (result != NO_ERROR) {
            return {};
        }
        const auto* table = reinterpret_cast<const MIB_TCPTABLE_OWNER_PID*>(buffer.get());
        std::vector<TcpOwnerRow> rows;
        rows.reserve(table->dwNumEntries);
        for (DWORD i = 0; i < table->dwNumEntries; ++i) {
            const MIB_TCPROW_OWNER_PID& row = table->table[i];
            rows.push_back({row.dwLocalAddr, row.dwLocalPort, row.dwRemoteAddr, row.dwRemotePort,
                            row.dwOwningPid});
        }
        return rows;
    }
    return {};
}

std::optional<std::wstring> processImageFinalPath(std::uint32_t pid) {
    const platform::UniqueProcess process(
        ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
    if (!process) {
        return std::nullopt;
    }
    std::wstring image(32768, L'\0');
    DWORD length = static_cast<DWORD>(image.size());
    if (!::QueryFullProcessImageNameW(process.get(), 0, image.data(), &length)) {
        return std::nullopt;
    }
    image.resize(length);
    auto final = platform::finalPathOf(image);
    if (!final) {
        return std::nullopt;
    }
    return final->native();
}

CallerVerdict checkCaller(SOCKET connection, std::wstring_view installRootFinalPath) {
    const auto client = endOf(connection, ::getpeername);
    const auto server = endOf(connection, ::getsockname);
    if (!client || !server) {
        return CallerVerdict::Unknown;
    }
    std::vector<CallerImage> owners;
    for (const std::uint32_t pid : connectionOwners(tcpConnectionRows(), *client, *server)) {
        owners.push_back({pid, processImageFinalPath(pid)});
    }
    return decideCaller(owners, ::GetCurrentProcessId(), installRootFinalPath);
}

}  // namespace korvane::service
