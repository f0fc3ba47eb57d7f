#include "runtime/profiles/derive_application_lists.h"

#include <optional>
#include <set>
#include <string>
#include <utility>

#include "common/text.h"
#include "common/windows_path.h"
#include "runtime/profiles/application_path.h"
#include "runtime/profiles/executable_scan.h"
#include "runtime/profiles/name_rules.h"
#include "runtime/profiles/profile_matching.h"

namespace korvane::runtime {
namespace {

using Profiles = std::vector<const ApplicationRoutingProfile*>;

// The trimmed path of an application, expanded, with its folder when that
// can be read, and the profiles that match it.
struct ApplicationFolder {
    std::wstring path;
    std::optional<std::wstring> folder;
    Profiles profiles;
};

std::optional<ApplicationFolder> locate(const StoredApplication& app,
                                        const std::vector<ApplicationRoutingProfile>& profiles,
                                        const RuntimeLayout& layout) {
    const std::string_view trimmed = trimUnicodeWhitespace(app.path);
    if (trimmed.empty()) {
        return std::nullopt;
    }
    ApplicationFolder located;
    located.path = expandApplicationPath(widen(trimmed), layout);
    located.folder = parentPath(located.path);
    if (located.folder && !hasMetadata(*located.folder)) {
        located.folder.reset();
    }
    if (located.folder) {
        located.profiles = matchingProfiles(located.path, profiles);
    }
    return located;
}

void addProcessPaths(const ApplicationFolder& app, ExecutableScan& scan,
                     std::set<std::string>& paths) {
    paths.insert(narrow(app.path));
    if (!app.folder) {
        return;
    }
    const auto addAll = [&](const std::vector<std::wstring>& found) {
        for (const std::wstring& path : found) {
            paths.insert(narrow(path));
        }
    };
    const std::wstring resourcesApp = joinPath(joinPath(*app.folder, L"resources"), L"app");
    for (const ApplicationRoutingProfile* profile : app.profiles) {
        if (profile->includeAppDirectoryExecutables) {
            addAll(scan.executablesIn(*app.folder));
        }
        if (profile->includeResourcesAppExecutables) {
            addAll(scan.executablesBelow(resourcesApp));
        }
    }
}

void addPathRegexes(const ApplicationFolder& app, std::set<std::string>& regexes) {
    if (!app.folder) {
        return;
    }
    const auto addAll = [&](const std::wstring& folder) {
        for (std::string& regex : directoryRegexes(narrow(folder))) {
            regexes.insert(std::move(regex));
        }
    };
    const std::wstring resources = joinPath(*app.folder, L"resources");
    for (const ApplicationRoutingProfile* profile : app.profiles) {
        if (profile->includeAppDirectoryRegex) {
            addAll(*app.folder);
        }
        if (profile->includeResourcesDirectoryRegex && hasMetadata(resources)) {
            addAll(resources);
        }
    }
}

// Names come from the path exactly as the client sent it (untrimmed) and from
// the display name; blank ones are dropped.
void addProcessNames(const StoredApplication& app,
                     const std::vector<ApplicationRoutingProfile>& profiles,
                     const RuntimeLayout& layout, std::set<std::string>& names) {
    const auto add = [&](std::string name) {
        if (!trimUnicodeWhitespace(name).empty()) {
            names.insert(std::move(name));
        }
    };
    if (!trimUnicodeWhitespace(app.path).empty()) {
        const std::wstring sent = widen(app.path);
        if (const std::optional<std::wstring> name = fileName(sent)) {
            add(narrow(*name));
            if (const std::optional<std::wstring> stem = fileStem(*name)) {
                add(narrow(*stem));
            }
        }
        const std::wstring expanded = expandApplicationPath(sent, layout);
        if (const std::optional<std::wstring> name = fileName(expanded)) {
            if (std::optional<std::string> text = strictNarrow(*name)) {
                add(std::move(*text));
            }
        }
        for (const ApplicationRoutingProfile* profile : matchingProfiles(expanded, profiles)) {
            for (const std::string& name : profile->includeProcessNames) {
                add(name);
            }
        }
    }
    const std::string_view displayName = trimUnicodeWhitespace(app.name);
    // A display name of exactly "Browser" (untrimmed, case-sensitive) adds no names.
    if (!displayName.empty() && app.name != "Browser") {
        add(std::string(displayName));
        add(std::string(displayName) + ".exe");
    }
}

}  // namespace

Result<ApplicationLists> deriveApplicationLists(
    const std::vector<StoredApplication>& apps,
    const std::vector<ApplicationRoutingProfile>& profiles, const RuntimeLayout& layout,
    ScanLimits limits) {
    ApplicationLists lists;
    ExecutableScan scan(limits);
    for (const StoredApplication& app : apps) {
        if (const std::optional<ApplicationFolder> located = locate(app, profiles, layout)) {
            addProcessPaths(*located, scan, lists.processPaths);
            if (Status within = scan.status(); !within) {
                return fail(std::move(within.error()));
            }
            addPathRegexes(*located, lists.pathRegexes);
        }
        addProcessNames(app, profiles, layout, lists.processNames);
    }
    return lists;
}

}  // namespace korvane::runtime
