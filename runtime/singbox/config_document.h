#pragma once
// The tun.json document, assembled from the values of one start. Objects keep
// their members in key order; the lists are written in the sets' (sorted)
// order, so the same inputs always give the same file.

#include <optional>
#include <set>
#include <string>

#include <nlohmann/json.hpp>

#include "common/result.h"
#include "runtime/profiles/application_lists.h"

namespace korvane::runtime {

struct SingBoxDocumentInput {
    bool fullMode = false;
    std::string interfaceName;
    std::string interfaceAddress;
    std::set<std::string> serverExclusions;  // route_exclude_address
    std::string serverHost;                  // normalized; an IP literal or a name
    std::optional<std::string> naivePath;
    std::set<std::string> siteDomains;
    ApplicationLists applications;  // used in split mode only
};

nlohmann::json singBoxDocument(const SingBoxDocumentInput& input);

// The pretty form with two-space indentation and no final line break, or the
// JSON library's message.
Result<std::string> printDocument(const nlohmann::json& document);

}  // namespace korvane::runtime
