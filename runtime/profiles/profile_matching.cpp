#include "runtime/profiles/profile_matching.h"

#include <algorithm>
#include <optional>
#include <string>

#include "common/text.h"
#include "common/unicode_case.h"
#include "common/windows_path.h"

namespace korvane::runtime {
namespace {

std::string decodedOrEmpty(const std::optional<std::wstring>& part) {
    return part ? strictNarrow(*part).value_or(std::string()) : std::string();
}

bool matches(const ApplicationRoutingProfile& profile, const std::string& name,
             const std::string& stem, const std::string& lowerPath) {
    const bool byName = std::ranges::any_of(profile.matchProcessNames, [&](const std::string& n) {
        return equalsIgnoringAsciiCase(n, name) || equalsIgnoringAsciiCase(n, stem);
    });
    return byName || std::ranges::any_of(profile.matchPathContains, [&](const std::string& part) {
               return lowerPath.find(unicodeLower(part)) != std::string::npos;
           });
}

}  // namespace

std::vector<const ApplicationRoutingProfile*> matchingProfiles(
    std::wstring_view expandedPath, const std::vector<ApplicationRoutingProfile>& profiles) {
    const std::string name = decodedOrEmpty(fileName(expandedPath));
    const std::string stem = decodedOrEmpty(fileStem(expandedPath));
    const std::string lowerPath = unicodeLower(narrow(expandedPath));
    std::vector<const ApplicationRoutingProfile*> matching;
    for (const ApplicationRoutingProfile& profile : profiles) {
        if (matches(profile, name, stem, lowerPath)) {
            matching.push_back(&profile);
        }
    }
    return matching;
}

}  // namespace korvane::runtime
