#include "service/caller/caller_decision.h"

#include <algorithm>

#include "common/text.h"
#include "common/windows_path.h"

namespace korvane::service {
namespace {

// The plain form of a final path: "\\?\C:\x" as "C:\x", "\\?\UNC\s\x" as
// "\\s\x", forward slashes as backslashes, no trailing separators.
std::wstring plainForm(std::wstring_view path) {
    std::wstring text;
    const auto startsWith = [&](std::wstring_view prefix) {
        if (path.size() < prefix.size()) {
            return false;
        }
        for (std::size_t i = 0; i < prefix.size(); ++i) {
            const wchar_t c = isPathSeparator(path[i]) ? L'\\' : asciiLowerChar(path[i]);
            if (c != asciiLowerChar(prefix[i])) {
                return false;
            }
        }
        return true;
    };
    if (startsWith(L"\\\\?\\UNC\\")) {
        text = L"\\\\";
        path.remove_prefix(8);
    } else if (startsWith(L"\\\\?\\")) {
        path.remove_prefix(4);
    }
    for (const wchar_t c : path) {
        text += isPathSeparator(c) ? L'\\' : c;
    }
    while (!text.empty() && text.back() == L'\\') {
        text.pop_back();
    }
    return text;
}

bool hasDotComponent(std::wstring_view path) {
    std::size_t begin = 0;
    while (begin <= path.size()) {
        const std::size_t end = std::min(path.find(L'\\', begin), path.size());
        const std::wstring_view component = path.substr(begin, end - begin);
        if (component == L"." || component == L"..") {
            return true;
        }
        begin = end + 1;
    }
    return false;
}

}  // namespace

bool isInsideFolder(std::wstring_view path, std::wstring_view folder) {
    const std::wstring inner = plainForm(path);
    const std::wstring outer = plainForm(folder);
    if (outer.empty() || inner.size() <= outer.size() + 1 || inner[outer.size()] != L'\\' ||
        hasDotComponent(inner) || hasDotComponent(outer)) {
        return false;
    }
    return equalsIgnoringAsciiCase(std::wstring_view(inner).substr(0, outer.size()), outer);
}

CallerVerdict decideCaller(std::span<const CallerImage> owners, std::uint32_t servicePid,
                           std::wstring_view installRoot) {
    bool unknown = owners.empty();
    for (const CallerImage& owner : owners) {
        if (owner.pid == servicePid) {
            continue;
        }
        if (!owner.finalImagePath) {
            unknown = true;
        } else if (!isInsideFolder(*owner.finalImagePath, installRoot)) {
            return CallerVerdict::Refused;
        }
    }
    return unknown ? CallerVerdict::Unknown : CallerVerdict::Trusted;
}

}  // namespace korvane::service
