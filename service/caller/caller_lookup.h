#pragma once
// The Win32 half of the caller check: who owns the client's end of an accepted
// loopback connection, and where its executable lies.

#include <winsock2.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "service/caller/caller_decision.h"
#include "service/caller/caller_rows.h"

namespace korvane::service {

// The IPv4 connection table with the owner of each row; empty when the system
// does not give it.
std::vector<TcpOwnerRow> tcpConnectionRows();

// The final path of the process's executable; nothing when the process is gone
// or cannot be queried.
std::optional<std::wstring> processImageFinalPath(std::uint32_t pid);

// The verdict on the client of `connection` against the install root (a final
// path): the owners of its end in the connection table and their images.
// Unknown when the connection's ends cannot be read.
CallerVerdict checkCaller(SOCKET connection, std::wstring_view installRootFinalPath);

}  // namespace korvane::service
