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

bool isSamePath(std::wstring_view path, std::wstring_view other) {
    const std::wstring one = plainForm(path);
    const std::wstring two = plainForm(other);
    return !one.empty() && !hasDotComponent(one) && !hasDotComponent(two) &&
           equalsIgnoringAsciiCase(one, two);
}

bool isOnLocalVolume(std::wstring_view nativePath) {
    constexpr std::wstring_view kVolume = L"\\Device\\HarddiskVolume";
    if (nativePath.size() <= kVolume.size() ||
        !equalsIgnoringAsciiCase(nativePath.substr(0, kVolume.size()), kVolume)) {
        return false;
    }
    const std::wstring_view rest = nativePath.substr(kVolume.size());
    const std::size_t digits = rest.find_first_not_of(L"0123456789");
    return digits != 0 && digits != std::wstring_view::npos && rest[digits] == L'\\';
}

bool isTrustedImage(std::wstring_view nativeImage, const TrustedPlaces& places) {
    // N.B. in this order: an image that is not local is refused before any
    // other rule looks at it.
    return isOnLocalVolume(nativeImage) && isInsideFolder(nativeImage, places.installRoot) &&
           std::ranges::none_of(
               places.programFolders,
               [&](const std::wstring& folder) { return isInsideFolder(nativeImage, folder); }) &&
           !isSamePath(nativeImage, places.serviceImage);
}

CallerDecision decideCaller(std::span<const CallerImage> owners, std::uint32_t servicePid,
                            const TrustedPlaces& places) {
    const CallerImage* first = nullptr;
    const CallerImage* unknown = nullptr;
    for (const CallerImage& owner : owners) {
        if (owner.pid == servicePid) {
            continue;
        }
        if (!owner.image) {
            unknown = unknown ? unknown : &owner;
        } else if (!isTrustedImage(*owner.image, places)) {
            return {CallerVerdict::Refused, owner};
        }
        first = first ? first : &owner;
    }
    if (unknown) {
        return {CallerVerdict::Unknown, *unknown};
    }
    if (!first) {
        return {CallerVerdict::Unknown, std::nullopt};
    }
    return {CallerVerdict::Trusted, *first};
}

}  // namespace korvane::service
