#pragma once
// Host names as the routing rules use them: the server's host and the sites
// that split routing sends through the proxy.

#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/records/records.h"

namespace korvane::runtime {

// Trimmed of Unicode white space and lower-cased (full Unicode lower case),
// then without an "https://" or "http://" prefix, without everything from the
// first "/", "?" or "#", without user information (up to the last "@"),
// without leading dots, and, when exactly one ":"
// remains, without it and what follows (a port; an IPv6 literal stays whole).
// May be empty.
std::string normalizeHost(std::string_view text);

// The domains of a site already passed through normalizeHost: the presets'
// list under that exact key (if any), then the site itself, each normalized,
// empty ones dropped.
std::vector<std::string> expandSiteDomains(std::string_view site,
                                           const DomainRoutingPresets& presets);

// The distinct domains of all sites; sites that normalize to nothing are skipped.
std::set<std::string> siteDomainList(const std::vector<std::string>& sites,
                                     const DomainRoutingPresets& presets);

}  // namespace korvane::runtime
