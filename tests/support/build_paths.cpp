#include "tests/support/build_paths.h"

#include <algorithm>

#include "platform/wide.h"

namespace korvane::test {

std::filesystem::path hostPath(const char* path) {
    std::wstring text = platform::widen(path);
    if (text.starts_with(L'/')) {
        std::replace(text.begin(), text.end(), L'/', L'\\');
        text = L"Z:" + text;
    }
    return text;
}

std::filesystem::path standIn(const char* name) {
    return hostPath(KORVANE_STANDIN_DIR) / (platform::widen(name) + L".exe");
}

}  // namespace korvane::test
