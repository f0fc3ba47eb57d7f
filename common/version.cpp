#include "common/version.h"

// N.B. The only source file that includes the generated header, so a new
// commit recompiles just this one.
#include "korvane_version.h"

namespace korvane {

std::string_view versionText() {
    return KORVANE_VERSION_TEXT;
}

std::string versionLine(std::string_view program) {
    return std::string(program) + " " + std::string(versionText());
}

}  // namespace korvane
