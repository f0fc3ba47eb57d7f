#include "platform/network_adapters.h"

#include <winsock2.h>
#include <ws2tcpip.h>
// N.B. After the Winsock headers: iphlpapi.h needs their types.
#include <iphlpapi.h>

#include <cstdint>
#include <memory>

#include "platform/os_error.h"

namespace korvane::platform {
namespace {

// "<address>/<prefix>", or nothing for a family other than IPv4 and IPv6.
std::string addressText(const IP_ADAPTER_UNICAST_ADDRESS& unicast) {
    const SOCKADDR* address = unicast.Address.lpSockaddr;
    char text[INET6_ADDRSTRLEN] = {};
    const void* bytes = nullptr;
    if (address->sa_family == AF_INET) {
        bytes = &reinterpret_cast<const sockaddr_in*>(address)->sin_addr;
    } else if (address->sa_family == AF_INET6) {
        bytes = &reinterpret_cast<const sockaddr_in6*>(address)->sin6_addr;
    }
    if (bytes == nullptr || ::inet_ntop(address->sa_family, bytes, text, sizeof text) == nullptr) {
        return {};
    }
    return std::string(text) + "/" + std::to_string(unicast.OnLinkPrefixLength);
}

}  // namespace

Result<std::vector<NetworkAdapter>> listNetworkAdapters() {
    constexpr ULONG kFlags =
        GAA_FLAG_SKIP_ANYCAST | GAA_FLAG_SKIP_MULTICAST | GAA_FLAG_SKIP_DNS_SERVER;
    // The list grows between two calls when an adapter comes up meanwhile: ask
    // again with the size the system reported, a few times.
    ULONG size = 16 * 1024;
    std::unique_ptr<std::uint8_t[]> buffer;
    ULONG status = ERROR_BUFFER_OVERFLOW;
    for (int attempt = 0; attempt < 4 && status == ERROR_BUFFER_OVERFLOW; ++attempt) {
        buffer = std::make_unique<std::uint8_t[]>(size);
        status =
            ::GetAdaptersAddresses(AF_UNSPEC, kFlags, nullptr,
                                   reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.get()), &size);
    }
    if (status == ERROR_NO_DATA) {
        return std::vector<NetworkAdapter>{};
    }
    if (status != NO_ERROR) {
        return fail(osErrorText(status));
    }
    std::vector<NetworkAdapter> adapters;
    for (auto* entry = reinterpret_cast<const IP_ADAPTER_ADDRESSES*>(buffer.get());
         entry != nullptr; entry = entry->Next) {
        NetworkAdapter adapter{entry->FriendlyName ? entry->FriendlyName : L"",
                               entry->OperStatus == IfOperStatusUp,
                               {},
                               entry->OperStatus != IfOperStatusNotPresent &&
                                   entry->OperStatus != IfOperStatusUnknown};
        for (auto* unicast = entry->FirstUnicastAddress; unicast != nullptr;
             unicast = unicast->Next) {
            if (std::string text = addressText(*unicast); !text.empty()) {
                adapter.addresses.push_back(std::move(text));
            }
        }
        adapters.push_back(std::move(adapter));
    }
    return adapters;
}

}  // namespace korvane::platform
