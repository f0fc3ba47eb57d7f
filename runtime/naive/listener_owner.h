#pragma once
// Whose listener takes a connection to the loopback SOCKS5 port. Portable: the
// system's listener table is read elsewhere and handed in as plain rows.

#include <cstdint>
#include <span>

namespace korvane::runtime {

// One row of the system's TCP listener tables, reduced to what decides who
// takes a connection to 127.0.0.1.
struct ListenerRow {
    enum class Address {
        loopback,  // 127.0.0.1 (also in its IPv4-mapped IPv6 form)
        any,       // 0.0.0.0 or ::
        other,
    };
    Address address = Address::other;
    std::uint16_t port = 0;
    std::uint32_t ownerId = 0;  // 0: the system does not say (Wine never does)
};

enum class ListenerOwner {
    ours,         // every listener that could take the connection is `ourId`'s
    someoneElse,  // at least one of them belongs to another process
    unknown,      // no such listener in the rows, or one without an owner
};

// Among the listeners on `port` that a connection to 127.0.0.1 may reach (the
// loopback and the wildcard addresses), a single other owner is enough for
// someoneElse. `ourId` 0 (no process of ours) is never ours.
ListenerOwner loopbackListenerOwner(std::span<const ListenerRow> rows, std::uint16_t port,
                                    std::uint32_t ourId);

}  // namespace korvane::runtime
