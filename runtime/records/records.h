#pragma once
// The JSON records of the start request, the domain presets file and the
// built-in routing profiles, and their strict readers. Every reader takes a
// complete JSON text and returns the record or the reader's message, e.g.
// "missing field `password` at line 1 column 76".

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "common/result.h"

namespace korvane::runtime {

struct AccessServer {
    std::string host;
    std::uint16_t port = 0;
    std::string protocol;
    std::string username;
    std::string password;

    friend bool operator==(const AccessServer&, const AccessServer&) = default;
};

struct StoredApplication {
    std::string name;
    std::string path;
    std::string icon;  // "" when absent

    friend bool operator==(const StoredApplication&, const StoredApplication&) = default;
};

struct StoredAppSettings {
    std::string mode;
    std::string language;
    bool launchOnStartup = false;
    bool connectOnStartup = false;
    bool reconnectOnDisconnect = true;  // true when absent
    bool notifications = false;
    bool autoUpdate = false;
    std::vector<StoredApplication> apps;
    std::vector<std::string> sites;

    friend bool operator==(const StoredAppSettings&, const StoredAppSettings&) = default;
};

struct DomainRoutingPresets {
    std::map<std::string, std::vector<std::string>> domains;  // a repeated name keeps its last list

    friend bool operator==(const DomainRoutingPresets&, const DomainRoutingPresets&) = default;
};

struct ApplicationRoutingProfile {
    std::vector<std::string> matchProcessNames;
    std::vector<std::string> matchPathContains;
    std::vector<std::string> includeProcessNames;
    bool includeAppDirectoryExecutables = false;
    bool includeResourcesAppExecutables = false;
    bool includeAppDirectoryRegex = false;
    bool includeResourcesDirectoryRegex = false;

    friend bool operator==(const ApplicationRoutingProfile&,
                           const ApplicationRoutingProfile&) = default;
};

struct ApplicationRoutingProfiles {
    std::vector<ApplicationRoutingProfile> profiles;

    friend bool operator==(const ApplicationRoutingProfiles&,
                           const ApplicationRoutingProfiles&) = default;
};

Result<AccessServer> parseAccessServer(std::string_view json);
Result<StoredAppSettings> parseStoredAppSettings(std::string_view json);
Result<DomainRoutingPresets> parseDomainRoutingPresets(std::string_view json);
Result<ApplicationRoutingProfiles> parseApplicationRoutingProfiles(std::string_view json);

// The two records of a start request, from the member texts that the endpoint
// hands over: the settings first, then the server. Fails with "Invalid
// settings payload: " or "Invalid server payload: " + the reader's message.
struct StartRecords {
    StoredAppSettings settings;
    AccessServer server;
};
Result<StartRecords> readStartRecords(std::string_view settingsJson, std::string_view serverJson);

}  // namespace korvane::runtime
