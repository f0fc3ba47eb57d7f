// Application paths come straight from the client: the path rules must hold
// up against any text.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "common/text.h"
#include "common/windows_path.h"
#include "runtime/profiles/name_rules.h"

using namespace korvane;
using namespace korvane::runtime;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::wstring path = widen(std::string_view(reinterpret_cast<const char*>(data), size));
    // A parent is a shorter beginning of the path.
    if (const auto parent = parentPath(path)) {
        if (parent->size() >= path.size() || !path.starts_with(*parent)) {
            std::abort();
        }
    }
    if (const auto name = fileName(path)) {
        if (name->empty() || !path.contains(*name)) {
            std::abort();
        }
        isCandidateExecutableName(*name);
    }
    // The volume root is a beginning of the path that no parent goes above.
    const std::wstring_view root = volumeRoot(path);
    if (!path.starts_with(root) || parentPath(path).value_or(path).size() < root.size()) {
        std::abort();
    }
    // Text that converts without replacement converts back unchanged.
    if (const auto text = strictNarrow(path); text && widen(*text) != path) {
        std::abort();
    }
    fileStem(path);
    fileExtension(path);
    isAbsolutePath(path);
    isDrivePath(path);
    joinPath(L"C:\\svc", path);
    joinPath(path, L"resources");
    directoryRegexes(narrow(path));
    return 0;
}
