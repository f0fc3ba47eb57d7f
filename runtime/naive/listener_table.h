#pragma once
// The system's TCP listener tables, as the rows that loopbackListenerOwner
// reads.

#include <functional>
#include <optional>
#include <vector>

#include "runtime/naive/listener_owner.h"

namespace korvane::runtime {

// Where the rows come from: the system, or a test's own rows. Nothing when
// the rows cannot be had.
using ListenerTable = std::function<std::optional<std::vector<ListenerRow>>()>;

// The IPv4 and the IPv6 listeners with their owners' process ids
// (GetExtendedTcpTable, TCP_TABLE_OWNER_PID_LISTENER); nothing when either
// table cannot be read.
std::optional<std::vector<ListenerRow>> systemListenerTable();

}  // namespace korvane::runtime
