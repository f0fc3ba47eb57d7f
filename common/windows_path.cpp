#include "common/windows_path.h"

#include <algorithm>
#include <iterator>
#include <vector>

#include "common/text.h"

namespace korvane {
namespace {

enum class Prefix { None, Disk, Unc, Device, DeviceUnc, Verbatim, VerbatimDisk, VerbatimUnc };

bool isAsciiLetter(wchar_t c) {
    return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z');
}

struct Layout {
    Prefix prefix = Prefix::None;
    std::size_t prefixLength = 0;
    bool physicalRoot = false;  // a separator right after the prefix

    // Verbatim paths take only the backslash as separator and keep "." as is.
    bool verbatim() const {
        return prefix == Prefix::Verbatim || prefix == Prefix::VerbatimDisk ||
               prefix == Prefix::VerbatimUnc;
    }
    bool separatorAt(std::wstring_view path, std::size_t i) const {
        return verbatim() ? path[i] == L'\\' : isPathSeparator(path[i]);
    }
    // Every prefix but a bare drive implies a root.
    bool hasRoot() const {
        return physicalRoot || (prefix != Prefix::None && prefix != Prefix::Disk);
    }
    std::size_t bodyStart() const { return prefixLength + (physicalRoot ? 1 : 0); }
};

// Length of the component that starts at `from`, up to the next separator.
std::size_t componentLength(std::wstring_view path, std::size_t from, bool verbatim) {
    std::size_t end = from;
    while (end < path.size() && !(verbatim ? path[end] == L'\\' : isPathSeparator(path[end]))) {
        ++end;
    }
    return end - from;
}

// \\server\share, \\?\UNC\server\share: the share is optional only in the
// verbatim form.
std::size_t serverShareLength(std::wstring_view path, std::size_t from, bool verbatim) {
    const std::size_t server = componentLength(path, from, verbatim);
    const std::size_t shareStart = from + server + 1;
    const std::size_t share =
        shareStart < path.size() ? componentLength(path, shareStart, verbatim) : 0;
    return server + (share > 0 ? 1 + share : 0);
}

Layout layoutOf(std::wstring_view path) {
    // Prefixes are recognised with "/" read as "\" in their first characters.
    wchar_t head[8];
    const std::size_t headLength = std::min(path.size(), std::size(head));
    for (std::size_t i = 0; i < headLength; ++i) {
        head[i] = path[i] == L'/' ? L'\\' : path[i];
    }
    const std::wstring_view h(head, headLength);
    Layout layout;
    // N.B. Windows reads "UNC" in either case.
    const bool uncNext = h.size() == 8 && equalsIgnoringAsciiCase(h.substr(4), L"UNC\\");
    if (h.starts_with(L"\\\\?\\") && path.substr(0, 4).find(L'/') == std::wstring_view::npos) {
        if (uncNext) {
            layout.prefix = Prefix::VerbatimUnc;
            layout.prefixLength = 8 + serverShareLength(path, 8, true);
        } else if (path.size() >= 6 && isAsciiLetter(path[4]) && path[5] == L':' &&
                   (path.size() == 6 || path[6] == L'\\')) {
            layout.prefix = Prefix::VerbatimDisk;
            layout.prefixLength = 6;
        } else {
            layout.prefix = Prefix::Verbatim;
            layout.prefixLength = 4 + componentLength(path, 4, true);
        }
    } else if (h.starts_with(L"\\\\.\\") && uncNext) {
        layout.prefix = Prefix::DeviceUnc;
        layout.prefixLength = 8 + serverShareLength(path, 8, false);
    } else if (h.starts_with(L"\\\\.\\")) {
        layout.prefix = Prefix::Device;
        layout.prefixLength = 4 + componentLength(path, 4, false);
    } else if (h.starts_with(L"\\\\")) {
        const std::size_t server = componentLength(path, 2, false);
        const std::size_t length = serverShareLength(path, 2, false);
        if (server > 0 && length > server) {
            layout.prefix = Prefix::Unc;
            layout.prefixLength = 2 + length;
        }
    } else if (path.size() >= 2 && isAsciiLetter(path[0]) && path[1] == L':') {
        layout.prefix = Prefix::Disk;
        layout.prefixLength = 2;
    }
    layout.physicalRoot =
        layout.prefixLength < path.size() && layout.separatorAt(path, layout.prefixLength);
    return layout;
}

struct Component {
    std::size_t start;
    std::size_t end;
    bool normal;  // a name, not "." or ".."
};

// The components after the prefix and the root. Empty ones and "." are
// skipped, except a "." that starts a relative path and every "." of a
// verbatim path.
std::vector<Component> componentsOf(std::wstring_view path, const Layout& layout) {
    std::vector<Component> components;
    std::size_t i = layout.bodyStart();
    while (i < path.size()) {
        const std::size_t length = componentLength(path, i, layout.verbatim());
        const std::wstring_view text = path.substr(i, length);
        const bool leading = i == layout.bodyStart() && !layout.hasRoot();
        if (text == L"." ? (layout.verbatim() || leading) : !text.empty()) {
            components.push_back({i, i + length, text != L"." && text != L".."});
        }
        i += length + 1;
    }
    return components;
}

// The file name split at its last dot: (stem, extension). ".." and names
// whose only dot leads have no extension.
std::pair<std::wstring, std::optional<std::wstring>> splitAtLastDot(const std::wstring& name) {
    const std::size_t dot = name.rfind(L'.');
    if (name == L".." || dot == std::wstring::npos || dot == 0) {
        return {name, std::nullopt};
    }
    return {name.substr(0, dot), name.substr(dot + 1)};
}

}  // namespace

bool isPathSeparator(wchar_t c) {
    return c == L'\\' || c == L'/';
}

std::wstring_view withoutTrailingSeparators(std::wstring_view path) {
    while (!path.empty() && isPathSeparator(path.back())) {
        path.remove_suffix(1);
    }
    return path;
}

std::wstring_view volumeRoot(std::wstring_view path) {
    return path.substr(0, layoutOf(path).prefixLength);
}

bool isAbsolutePath(std::wstring_view path) {
    const Layout layout = layoutOf(path);
    return layout.prefix != Prefix::None && layout.hasRoot();
}

bool isDrivePath(std::wstring_view path) {
    const Layout layout = layoutOf(path);
    return (layout.prefix == Prefix::Disk || layout.prefix == Prefix::VerbatimDisk) &&
           layout.physicalRoot;
}

std::wstring joinPath(std::wstring_view base, std::wstring_view relative) {
    const Layout relativeLayout = layoutOf(relative);
    if (relativeLayout.prefix != Prefix::None) {
        return std::wstring(relative);
    }
    const Layout baseLayout = layoutOf(base);
    if (relativeLayout.physicalRoot) {
        return std::wstring(base.substr(0, baseLayout.prefixLength)) + std::wstring(relative);
    }
    const bool bareDrive =
        baseLayout.prefix == Prefix::Disk && baseLayout.prefixLength == base.size();
    const bool needSeparator = !base.empty() && !isPathSeparator(base.back()) && !bareDrive;
    return std::wstring(base) + (needSeparator ? L"\\" : L"") + std::wstring(relative);
}

std::optional<std::wstring> parentPath(std::wstring_view path) {
    const Layout layout = layoutOf(path);
    const std::vector<Component> components = componentsOf(path, layout);
    if (components.empty()) {
        return std::nullopt;
    }
    const std::size_t end =
        components.size() > 1 ? components[components.size() - 2].end : layout.bodyStart();
    return std::wstring(path.substr(0, end));
}

std::optional<std::wstring> fileName(std::wstring_view path) {
    const std::vector<Component> components = componentsOf(path, layoutOf(path));
    if (components.empty() || !components.back().normal) {
        return std::nullopt;
    }
    const Component& last = components.back();
    return std::wstring(path.substr(last.start, last.end - last.start));
}

bool fileNameIs(std::wstring_view path, std::wstring_view name) {
    const std::optional<std::wstring> last = fileName(path);
    return last && equalsIgnoringAsciiCase(*last, name);
}

std::optional<std::wstring> fileStem(std::wstring_view path) {
    const std::optional<std::wstring> name = fileName(path);
    if (!name) {
        return std::nullopt;
    }
    return splitAtLastDot(*name).first;
}

std::optional<std::wstring> fileExtension(std::wstring_view path) {
    const std::optional<std::wstring> name = fileName(path);
    if (!name) {
        return std::nullopt;
    }
    return splitAtLastDot(*name).second;
}

}  // namespace korvane
