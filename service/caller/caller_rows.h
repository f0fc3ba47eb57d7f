#pragma once
// Which process owns the client's end of a loopback connection, found in the
// system's table of TCP connections. Portable: the rows are plain values, so
// the matching is tested natively and fuzzed; caller_lookup reads the table.

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace korvane::service {

// One row of the IPv4 connection table, its fields exactly as the table stores
// them: addresses in network byte order, each port in network byte order in
// the low 16 bits of a 32-bit field whose upper bits are undefined.
struct TcpOwnerRow {
    std::uint32_t localAddress = 0;
    std::uint32_t localPort = 0;
    std::uint32_t remoteAddress = 0;
    std::uint32_t remotePort = 0;
    std::uint32_t ownerPid = 0;
};

// An IPv4 end point as sockaddr_in holds it: both fields in network byte order.
struct NetworkEndpoint {
    std::uint32_t address = 0;
    std::uint16_t port = 0;
};

// The IPv4 address (in network byte order) that an IPv6 address in the
// IPv4-mapped form ::ffff:a.b.c.d stands for: how the IPv6 table lists the
// client's end of a dual-stack socket's connection to 127.0.0.1. Nothing for
// any other IPv6 address.
std::optional<std::uint32_t> mappedIpv4Address(const std::array<std::uint8_t, 16>& address);

// The owners of the rows whose local end is `client` (the peer that accept
// reported) and whose remote end is `server` (our end of the connection), each
// once, in row order. Owner 0 is left out: the system reports it for rows
// without an owner (and Wine for every row).
std::vector<std::uint32_t> connectionOwners(std::span<const TcpOwnerRow> rows,
                                            NetworkEndpoint client, NetworkEndpoint server);

}  // namespace korvane::service
