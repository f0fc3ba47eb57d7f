#include "service/host/caller_policy.h"

#include <windows.h>

#include "common/log/service_log.h"
#include "common/text.h"
#include "platform/final_path.h"
#include "platform/registry.h"
#include "service/caller/caller_lookup.h"

namespace korvane::service {

bool anyLocalClientAllowed() {
    return platform::readRegistryDword(HKEY_LOCAL_MACHINE, kServiceParametersKey,
                                       kAllowAnyLocalClientValue) == 1u;
}

std::wstring installRoot(const runtime::RuntimeLayout& layout) {
    const std::filesystem::path root = layout.dataFolder().parent_path();
    const auto final = platform::finalPathOf(root);
    return final ? final->native() : root.native();
}

CallerCheck serviceCallerCheck(const runtime::RuntimeLayout& layout) {
    if (anyLocalClientAllowed()) {
        return {};
    }
    return [root = installRoot(layout)](SOCKET connection) {
        switch (checkCaller(connection, root)) {
            case CallerVerdict::Trusted:
                return true;
            case CallerVerdict::Refused:
                log::warning("Refused a caller that runs from outside " + narrow(root));
                return false;
            case CallerVerdict::Unknown:
                break;
        }
        // Served, so that the client keeps working where the system cannot
        // say who is calling.
        log::info("Served a caller whose process could not be determined");
        return true;
    };
}

}  // namespace korvane::service
