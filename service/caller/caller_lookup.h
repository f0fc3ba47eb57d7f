#pragma once
// The Win32 half of the caller check: who owns the client's end of an accepted
// loopback connection, and where its executable lies. Nothing here opens a
// caller's file: its image is named by the system, in native form.

#include <winsock2.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "service/caller/caller_decision.h"
#include "service/caller/caller_rows.h"

namespace korvane::service {

// The IPv4 connection table with the owner of each row; empty when the system
// does not give it.
std::vector<TcpOwnerRow> ipv4ConnectionRows();

// The rows of the IPv6 connection table whose two ends are IPv4-mapped
// (::ffff:127.0.0.1: how a dual-stack socket's connection to 127.0.0.1 is
// listed), as IPv4 rows; empty when the system does not give the table.
std::vector<TcpOwnerRow> mappedIpv6ConnectionRows();

// The native path of the process's executable image; nothing when the process
// is gone or cannot be queried.
std::optional<std::wstring> processNativeImagePath(std::uint32_t pid);

// The decision on the client of `connection`: the owners of its end in the
// IPv4 table, or when none is there in the IPv6 one, and their images.
// Unknown when the connection's ends cannot be read.
CallerDecision checkCaller(SOCKET connection, const TrustedPlaces& places);

}  // namespace korvane::service
