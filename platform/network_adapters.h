#pragma once
// The machine's network adapters as GetAdaptersAddresses lists them: what the
// tunnel's readiness looks for and what a support report shows.

#include <string>
#include <vector>

#include "common/result.h"

namespace korvane::platform {

struct NetworkAdapter {
    std::wstring friendlyName;
    // IfOperStatusUp.
    bool up = false;
    // Each unicast address with its prefix length, e.g. "172.19.0.1/30" or
    // "fe80::1/64".
    std::vector<std::string> addresses;
    // False for IfOperStatusNotPresent and IfOperStatusUnknown. N.B. Windows
    // lists no adapter that was removed, but Wine keeps a deleted device listed
    // for good, with an unknown state.
    bool present = true;
};

// Every adapter, IPv4 and IPv6 addresses alike. Failure: the system's text.
Result<std::vector<NetworkAdapter>> listNetworkAdapters();

}  // namespace korvane::platform
