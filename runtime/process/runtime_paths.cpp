#include "runtime/process/runtime_paths.h"

#include <windows.h>

#include <string>

#include "common/text.h"
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

// The folder's last component equals `name` ignoring ASCII case. A component
// that is not valid UTF-16 narrows to U+FFFD and so never matches.
bool lastComponentIs(const fs::path& folder, std::string_view name) {
    if (!folder.has_relative_path()) {
        return false;
    }
    return equalsIgnoringAsciiCase(platform::narrow(folder.filename().native()), name);
}

bool isSeparator(wchar_t c) {
    return c == L'\\' || c == L'/';
}

std::wstring_view withoutTrailingSeparators(std::wstring_view text) {
    while (!text.empty() && isSeparator(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

bool startsWithIgnoringCase(std::wstring_view text, std::wstring_view prefix) {
    return text.size() >= prefix.size() &&
           equalsIgnoringAsciiCase(platform::narrow(text.substr(0, prefix.size())),
                                   platform::narrow(prefix));
}

// Length of the text that ends after the component at `index` (counting from
// 0, separators skipped), or npos when the text has fewer components.
std::size_t endOfComponent(std::wstring_view text, std::size_t start, int index) {
    std::size_t i = start;
    for (int component = 0;; ++component) {
        while (i < text.size() && isSeparator(text[i])) {
            ++i;
        }
        if (i == text.size()) {
            return std::wstring_view::npos;
        }
        while (i < text.size() && !isSeparator(text[i])) {
            ++i;
        }
        if (component == index) {
            return i;
        }
    }
}

// The volume root that `folder` lies on, as text without trailing separators:
// "C:", "\\server\share", "\\?\C:", "\\?\UNC\server\share". The lexical rules
// of std::filesystem do not see the last three as roots, so they are spelled
// out here.
std::wstring_view volumeRootOf(std::wstring_view folder) {
    std::size_t end = std::wstring_view::npos;
    if (startsWithIgnoringCase(folder, L"\\\\?\\UNC\\") ||
        startsWithIgnoringCase(folder, L"\\\\.\\UNC\\")) {
        end = endOfComponent(folder, 8, 1);
    } else if (startsWithIgnoringCase(folder, L"\\\\?\\") ||
               startsWithIgnoringCase(folder, L"\\\\.\\")) {
        end = endOfComponent(folder, 4, 0);
    } else if (folder.size() >= 2 && isSeparator(folder[0]) && isSeparator(folder[1])) {
        end = endOfComponent(folder, 2, 1);
    } else if (folder.size() >= 2 && folder[1] == L':') {
        end = 2;
    } else {
        end = 0;  // a relative or rooted-without-drive path: only its root is excluded
    }
    return end == std::wstring_view::npos ? folder : folder.substr(0, end);
}

bool isPresent(const fs::path& path) {
    return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace

fs::path dataDirectoryFor(const fs::path& executable) {
    const fs::path folder = parentOf(executable).value_or(fs::path());
    if (!lastComponentIs(folder, "runtime")) {
        return folder / "data";
    }
    const std::optional<fs::path> parent = parentOf(folder);
    if (!parent) {
        return folder / "data";
    }
    if (!lastComponentIs(*parent, "resources")) {
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

    const std::size_t rootLength = volumeRootOf(folder->native()).size();
    fs::path current = *folder;
    for (;;) {
        const std::size_t length = withoutTrailingSeparators(current.native()).size();
        if (length <= rootLength) {
            break;
        }
        candidates.push_back(current / "app" / relativePath);
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
