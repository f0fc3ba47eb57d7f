#include "runtime/profiles/application_path.h"

#include <windows.h>

#include <optional>

#include "common/windows_path.h"
#include "platform/handles.h"
#include "runtime/profiles/environment_references.h"

namespace korvane::runtime {
namespace {

EnvironmentVariables serviceEnvironment() {
    const platform::UniqueEnvironmentBlock block(::GetEnvironmentStringsW());
    return parseEnvironmentBlock(block.get());
}

}  // namespace

std::wstring expandApplicationPath(std::wstring_view path, const RuntimeLayout& layout) {
    std::wstring expanded = expandEnvironmentReferences(std::wstring(path), serviceEnvironment());
    if (isAbsolutePath(expanded)) {
        return expanded;
    }
    const std::optional<std::filesystem::path>& executable = layout.serviceExecutable();
    const std::optional<std::wstring> folder =
        executable ? parentPath(executable->native()) : std::nullopt;
    return folder ? joinPath(*folder, expanded) : expanded;
}

}  // namespace korvane::runtime
