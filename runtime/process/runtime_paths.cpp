#include "runtime/process/runtime_paths.h"

#include <windows.h>

#include <string>

#include "common/text.h"
#include "common/windows_path.h"
#include "platform/wide.h"

namespace korvane::runtime {
namespace {

namespace fs = std::filesystem;

// The folder that holds `path`; none for a volume root or a bare name.
std::optional<fs::path> parentOf(const fs::path& path) {
    if (!path.has_relative_path()) {
        return std::nullopt;
    }
    fs::path parent = path.parent_path();
    if (parent.empty()) {
        return std::nullopt;
    }
    return parent;
}

bool isPresent(const fs::path& path) {
    return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace

fs::path dataDirectoryFor(const fs::path& executable) {
    const fs::path folder = parentOf(executable).value_or(fs::path());
    if (!fileNameIs(folder.native(), L"runtime")) {
        return folder / "data";
    }
    const std::optional<fs::path> parent = parentOf(folder);
    if (!parent) {
        return folder / "data";
    }
    if (!fileNameIs(parent->native(), L"resources")) {
        return *parent / "data";
    }
    const std::optional<fs::path> grandParent = parentOf(*parent);
    return (grandParent ? *grandParent : folder) / "data";
}

fs::path dataDirectoryFrom(const std::optional<fs::path>& executable) {
    if (executable && parentOf(*executable)) {
        return dataDirectoryFor(*executable);
    }
    std::error_code error;
    fs::path current = fs::current_path(error);
    if (error || current.empty()) {
        return fs::path(".") / "data";
    }
    return current / "data";
}

std::vector<fs::path> runtimeExecutableCandidates(const fs::path& executable,
                                                  const fs::path& relativePath) {
    std::vector<fs::path> candidates;
    const std::optional<fs::path> folder = parentOf(executable);
    if (!folder) {
        return candidates;
    }
    candidates.push_back(*folder / relativePath);

    auto component = relativePath.begin();
    if (component != relativePath.end() && *component == L"runtime") {
        fs::path rest;
        for (++component; component != relativePath.end(); ++component) {
            rest /= *component;
        }
        if (!rest.empty()) {
            candidates.push_back(*folder / rest);
        }
    }

    const std::size_t rootLength = volumeRoot(folder->native()).size();
    // The install root is E itself or one of its ancestors, spelt the same way.
    const std::size_t installRootLength =
        withoutTrailingSeparators(dataDirectoryFor(executable).parent_path().native()).size();
    fs::path current = *folder;
    for (;;) {
        const std::size_t length = withoutTrailingSeparators(current.native()).size();
        if (length <= rootLength) {
            break;
        }
        candidates.push_back(current / "app" / relativePath);
        if (length <= installRootLength) {
            break;
        }
        fs::path parent = current.parent_path();
        if (withoutTrailingSeparators(parent.native()).size() >= length) {
            break;  // no progress: a root that the lexical rules did not foresee
        }
        current = std::move(parent);
    }
    return candidates;
}

std::optional<fs::path> firstPresent(const std::vector<fs::path>& candidates) {
    for (const fs::path& candidate : candidates) {
        if (isPresent(candidate)) {
            return candidate;
        }
    }
    return std::nullopt;
}

std::optional<fs::path> findRuntimeExecutableFrom(const fs::path& executable,
                                                  const fs::path& relativePath) {
    return firstPresent(runtimeExecutableCandidates(executable, relativePath));
}

}  // namespace korvane::runtime
