#include "service/host/caller_policy.h"

#include <windows.h>

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
        return checkCaller(connection, root) != CallerVerdict::Refused;
    };
}

}  // namespace korvane::service
