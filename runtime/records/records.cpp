#include "runtime/records/records.h"

#include <utility>

#include "runtime/records/record_reader.h"

namespace korvane::runtime {

template <>
struct RecordShape<AccessServer> {
    static constexpr std::string_view name = "AccessServer";
    static constexpr std::array fields = {
        field<&AccessServer::host>("host"),         field<&AccessServer::port>("port"),
        field<&AccessServer::protocol>("protocol"), field<&AccessServer::username>("username"),
        field<&AccessServer::password>("password"),
    };
};

template <>
struct RecordShape<StoredApplication> {
    static constexpr std::string_view name = "StoredApplication";
    static constexpr std::array fields = {
        field<&StoredApplication::name>("name"),
        field<&StoredApplication::path>("path"),
        field<&StoredApplication::icon>("icon", Presence::optional),
    };
};

template <>
struct RecordShape<StoredAppSettings> {
    static constexpr std::string_view name = "StoredAppSettings";
    static constexpr std::array fields = {
        field<&StoredAppSettings::mode>("mode"),
        field<&StoredAppSettings::language>("language"),
        field<&StoredAppSettings::launchOnStartup>("launchOnStartup"),
        field<&StoredAppSettings::connectOnStartup>("connectOnStartup"),
        field<&StoredAppSettings::reconnectOnDisconnect>("reconnectOnDisconnect",
                                                         Presence::optional),
        field<&StoredAppSettings::notifications>("notifications"),
        field<&StoredAppSettings::autoUpdate>("autoUpdate"),
        field<&StoredAppSettings::apps>("apps"),
        field<&StoredAppSettings::sites>("sites"),
    };
};

template <>
struct RecordShape<DomainRoutingPresets> {
    static constexpr std::string_view name = "DomainRoutingPresets";
    static constexpr std::array fields = {
        field<&DomainRoutingPresets::domains>("domains"),
    };
};

template <>
struct RecordShape<ApplicationRoutingProfile> {
    static constexpr std::string_view name = "ApplicationRoutingProfile";
    static constexpr std::array fields = {
        field<&ApplicationRoutingProfile::matchProcessNames>("matchProcessNames"),
        field<&ApplicationRoutingProfile::matchPathContains>("matchPathContains"),
        field<&ApplicationRoutingProfile::includeProcessNames>("includeProcessNames"),
        field<&ApplicationRoutingProfile::includeAppDirectoryExecutables>(
            "includeAppDirectoryExecutables"),
        field<&ApplicationRoutingProfile::includeResourcesAppExecutables>(
            "includeResourcesAppExecutables"),
        field<&ApplicationRoutingProfile::includeAppDirectoryRegex>("includeAppDirectoryRegex"),
        field<&ApplicationRoutingProfile::includeResourcesDirectoryRegex>(
            "includeResourcesDirectoryRegex"),
    };
};

template <>
struct RecordShape<ApplicationRoutingProfiles> {
    static constexpr std::string_view name = "ApplicationRoutingProfiles";
    static constexpr std::array fields = {
        field<&ApplicationRoutingProfiles::profiles>("profiles"),
    };
};

Result<AccessServer> parseAccessServer(std::string_view json) {
    return readRecordText<AccessServer>(json);
}

Result<StoredAppSettings> parseStoredAppSettings(std::string_view json) {
    return readRecordText<StoredAppSettings>(json);
}

Result<DomainRoutingPresets> parseDomainRoutingPresets(std::string_view json) {
    return readRecordText<DomainRoutingPresets>(json);
}

Result<ApplicationRoutingProfiles> parseApplicationRoutingProfiles(std::string_view json) {
    return readRecordText<ApplicationRoutingProfiles>(json);
}

Result<StartRecords> readStartRecords(std::string_view settingsJson, std::string_view serverJson) {
    auto settings = parseStoredAppSettings(settingsJson);
    if (!settings) {
        return fail("Invalid settings payload: " + settings.error());
    }
    auto server = parseAccessServer(serverJson);
    if (!server) {
        return fail("Invalid server payload: " + server.error());
    }
    return StartRecords{std::move(*settings), std::move(*server)};
}

}  // namespace korvane::runtime
