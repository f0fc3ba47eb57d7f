#include "runtime/singbox/site_domains.h"

#include <algorithm>

#include "common/server_host.h"
#include "common/text.h"
#include "common/unicode_case.h"

namespace korvane::runtime {

std::string normalizeHost(std::string_view text) {
    const std::string lower = unicodeLower(trimUnicodeWhitespace(text));
    std::string_view host = hostAuthority(lower, "/?#");
    host.remove_prefix(std::min(host.find_first_not_of('.'), host.size()));
    if (std::count(host.begin(), host.end(), ':') == 1) {
        host = host.substr(0, host.find(':'));
    }
    return std::string(host);
}

std::vector<std::string> expandSiteDomains(std::string_view site,
                                           const DomainRoutingPresets& presets) {
    const std::string key = normalizeHost(site);
    std::vector<std::string> listed;
    if (const auto preset = presets.domains.find(key); preset != presets.domains.end()) {
        listed = preset->second;
    }
    listed.push_back(key);
    std::vector<std::string> domains;
    for (const std::string& domain : listed) {
        if (std::string normalized = normalizeHost(domain); !normalized.empty()) {
            domains.push_back(std::move(normalized));
        }
    }
    return domains;
}

std::set<std::string> siteDomainList(const std::vector<std::string>& sites,
                                     const DomainRoutingPresets& presets) {
    std::set<std::string> domains;
    for (const std::string& site : sites) {
        const std::string normalized = normalizeHost(site);
        if (normalized.empty()) {
            continue;
        }
        for (std::string& domain : expandSiteDomains(normalized, presets)) {
            domains.insert(std::move(domain));
        }
    }
    return domains;
}

}  // namespace korvane::runtime
