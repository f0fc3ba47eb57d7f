#pragma once
// The application routing profiles compiled into the service.

#include <string_view>
#include <vector>

#include "runtime/records/records.h"

namespace korvane::runtime {

// The JSON text {"profiles": [...]} of the eight built-in profiles.
std::string_view builtInProfilesText();

// The profiles of that text, read like the payload records; no profiles when
// the text does not read.
std::vector<ApplicationRoutingProfile> loadBuiltInProfiles();

}  // namespace korvane::runtime
