#pragma once
// The chosen applications, widened by the routing profiles and by what their
// folders hold, as the three lists of the routing rules.

#include <vector>

#include "common/result.h"
#include "runtime/process/runtime_layout.h"
#include "runtime/profiles/application_lists.h"
#include "runtime/profiles/scan_budget.h"
#include "runtime/records/records.h"

namespace korvane::runtime {

// Unreadable folders, missing files and undecodable names only make the lists
// shorter. A folder that several profiles or applications ask for, under any
// spelling, is read once per call, its executables listed under the first
// path that reached them. Relative application paths are taken from the
// layout's service folder. Fails only when the folders hold more than
// `limits` allow: "Too many files in the application folders to route (limit
// N)." (`limits` is a seam for tests).
Result<ApplicationLists> deriveApplicationLists(
    const std::vector<StoredApplication>& apps,
    const std::vector<ApplicationRoutingProfile>& profiles, const RuntimeLayout& layout,
    ScanLimits limits = {});

}  // namespace korvane::runtime
