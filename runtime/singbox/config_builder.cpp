#include "runtime/singbox/config_builder.h"

#include <windows.h>

#include <optional>

#include "common/text.h"
#include "common/windows_path.h"
#include "runtime/process/file_io.h"
#include "runtime/profiles/built_in_profiles.h"
#include "runtime/profiles/derive_application_lists.h"
#include "runtime/singbox/config_document.h"
#include "runtime/singbox/server_exclusions.h"
#include "runtime/singbox/site_domains.h"
#include "runtime/singbox/tun_interface.h"

namespace korvane::runtime {
namespace {

namespace fs = std::filesystem;

// The presets file is read whole; a larger one counts as unreadable.
constexpr std::size_t kPresetsFileLimit = 1024 * 1024;

// The optional presets file; missing, unreadable, too large, not UTF-8 or
// malformed all mean no presets.
DomainRoutingPresets readPresets(const RuntimeLayout& layout) {
    const Result<std::string> text =
        readWholeFile(layout.dataFolder() / L"domain-presets.json", kPresetsFileLimit);
    if (!text || utf8Error(*text)) {
        return {};
    }
    Result<DomainRoutingPresets> presets = parseDomainRoutingPresets(*text);
    return presets ? std::move(*presets) : DomainRoutingPresets{};
}

std::optional<std::string> naivePath(const RuntimeLayout& layout) {
    const std::optional<fs::path> found = layout.find(RuntimeProgram::Naive);
    return found ? std::optional(narrow(found->native())) : std::nullopt;
}

}  // namespace

Result<SingBoxConfigResult> buildSingBoxConfig(const RuntimeLayout& layout,
                                               const StoredAppSettings& settings,
                                               std::string_view serverHost, ScanLimits limits) {
    SingBoxConfigResult result{layout.singBoxConfigFile(), "", ""};
    KORVANE_TRY(createFolders(result.configPath.parent_path()));

    const std::uint32_t processId = ::GetCurrentProcessId();
    SingBoxDocumentInput input;
    input.fullMode = settings.mode == "full";
    input.interfaceName = interfaceNameFor(processId);
    input.interfaceAddress = interfaceAddressFor(processId);
    input.serverHost = normalizeHost(serverHost);
    input.serverExclusions = serverExclusions(input.serverHost);
    input.naivePath = naivePath(layout);
    input.siteDomains = siteDomainList(settings.sites, readPresets(layout));
    // Full mode writes no application rules, so the folders are not scanned.
    if (!input.fullMode) {
        Result<ApplicationLists> applications =
            deriveApplicationLists(settings.apps, loadBuiltInProfiles(), layout, limits);
        if (!applications) {
            return fail(std::move(applications.error()));
        }
        input.applications = std::move(*applications);
    }

    const Result<std::string> text = printDocument(singBoxDocument(input));
    if (!text) {
        return fail(text.error());
    }
    KORVANE_TRY(writeWholeFile(result.configPath, *text));
    result.interfaceName = std::move(input.interfaceName);
    result.address = std::move(input.interfaceAddress);
    return result;
}

}  // namespace korvane::runtime
