#pragma once
// The chosen applications, widened by the routing profiles and by what their
// folders hold, as the three lists of the routing rules.

#include <vector>

#include "runtime/process/runtime_layout.h"
#include "runtime/profiles/application_lists.h"
#include "runtime/records/records.h"

namespace korvane::runtime {

// Never fails: unreadable folders, missing files and undecodable names only
// make the lists shorter. A folder that several profiles or applications ask
// for is listed once per call. Relative application paths are taken from the
// layout's service folder.
ApplicationLists deriveApplicationLists(const std::vector<StoredApplication>& apps,
                                        const std::vector<ApplicationRoutingProfile>& profiles,
                                        const RuntimeLayout& layout);

}  // namespace korvane::runtime
