#pragma once
// Which built-in profiles apply to a chosen application.

#include <string_view>
#include <vector>

#include "runtime/records/records.h"

namespace korvane::runtime {

// The profiles, in list order, of which an entry of `matchProcessNames`
// equals the file name or stem of `expandedPath` ignoring ASCII case, or an
// entry of `matchPathContains` occurs in the path, both in Unicode lower case.
// A file name that is not valid UTF-16 counts as empty.
std::vector<const ApplicationRoutingProfile*> matchingProfiles(
    std::wstring_view expandedPath, const std::vector<ApplicationRoutingProfile>& profiles);

}  // namespace korvane::runtime
