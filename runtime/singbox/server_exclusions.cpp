#include "runtime/singbox/server_exclusions.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <cstring>
#include <optional>

#include "platform/handles.h"
#include "platform/wide.h"
#include "platform/winsock.h"
#include "runtime/singbox/ip_literal.h"

namespace korvane::runtime {
namespace {

std::optional<IpAddress> addressOf(const ADDRINFOW& entry) {
    IpAddress address;
    if (entry.ai_family == AF_INET && entry.ai_addrlen >= sizeof(sockaddr_in)) {
        const auto* ipv4 = reinterpret_cast<const sockaddr_in*>(entry.ai_addr);
        std::memcpy(address.bytes.data(), &ipv4->sin_addr, 4);
        return address;
    }
    if (entry.ai_family == AF_INET6 && entry.ai_addrlen >= sizeof(sockaddr_in6)) {
        const auto* ipv6 = reinterpret_cast<const sockaddr_in6*>(entry.ai_addr);
        address.v6 = true;
        std::memcpy(address.bytes.data(), &ipv6->sin6_addr, 16);
        return address;
    }
    return std::nullopt;
}

}  // namespace

std::set<std::string> serverExclusions(const std::string& host) {
    if (const std::optional<IpAddress> literal = parseIpLiteral(host)) {
        return {hostRoute(*literal)};
    }
    // An empty name would make the resolver list this machine's own addresses,
    // and a null character would cut the name short.
    if (host.empty() || host.find('\0') != std::string::npos || !platform::ensureWinsock()) {
        return {};
    }
    ADDRINFOW hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    platform::UniqueAddressInfo list;
    if (::GetAddrInfoW(platform::widen(host).c_str(), L"0", &hints, list.put()) != 0) {
        return {};
    }
    std::set<std::string> routes;
    for (const ADDRINFOW* entry = list.get(); entry != nullptr; entry = entry->ai_next) {
        if (const std::optional<IpAddress> address = addressOf(*entry)) {
            routes.insert(hostRoute(*address));
        }
    }
    return routes;
}

}  // namespace korvane::runtime
