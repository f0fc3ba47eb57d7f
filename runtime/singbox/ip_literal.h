#pragma once
// IP address literals: recognising a bare address and writing it in its
// standard form.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace korvane::runtime {

struct IpAddress {
    bool v6 = false;
    std::array<std::uint8_t, 16> bytes{};  // an IPv4 address uses the first four
};

// A bare IPv4 address (four decimal parts of 0 to 255, no leading zeros) or
// IPv6 address (hexadecimal groups, at most one "::", optionally ending in an
// IPv4 address); no brackets, port or zone.
std::optional<IpAddress> parseIpLiteral(std::string_view text);

// Dotted decimal, or the RFC 5952 form: lower-case hexadecimal without leading
// zeros, the longest run (the first of equal ones) of two or more zero groups
// written "::", and an IPv4-mapped address as ::ffff:a.b.c.d.
std::string standardText(const IpAddress& address);

// standardText followed by "/32" or "/128": the address as a route of one host.
std::string hostRoute(const IpAddress& address);

}  // namespace korvane::runtime
