#include "platform/write_all.h"

#include <algorithm>

#include "platform/os_error.h"

namespace korvane::platform {

Status writeAll(HANDLE target, std::string_view bytes) {
    while (!bytes.empty()) {
        const DWORD piece = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 20));
        DWORD written = 0;
        if (!::WriteFile(target, bytes.data(), piece, &written, nullptr)) {
            return fail(lastOsErrorText());
        }
        if (written == 0) {
            return fail(osErrorText(ERROR_WRITE_FAULT));
        }
        bytes.remove_prefix(written);
    }
    return {};
}

}  // namespace korvane::platform
