#include "runtime/profiles/executable_scan.h"

#include <windows.h>

#include <optional>
#include <set>

#include "platform/handles.h"
#include "runtime/profiles/file_api_path.h"
#include "runtime/profiles/name_rules.h"
#include "runtime/profiles/windows_path.h"

namespace korvane::runtime {
namespace {

struct FindHandleTraits {
    using pointer = HANDLE;
    static pointer invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static bool isValid(pointer h) noexcept { return h != INVALID_HANDLE_VALUE && h != nullptr; }
    static void close(pointer h) noexcept { ::FindClose(h); }
};
using UniqueFind = platform::UniqueHandle<FindHandleTraits>;

struct FileIdentity {
    DWORD volumeSerial;
    DWORD indexHigh;
    DWORD indexLow;
    auto operator<=>(const FileIdentity&) const = default;
};

struct Target {
    DWORD attributes;
    FileIdentity identity;
};

// What `path` names once links are followed; nothing when it cannot be opened.
std::optional<Target> targetOf(const std::wstring& path) {
    const platform::UniqueFile file(
        ::CreateFileW(fileApiPath(path).c_str(), FILE_READ_ATTRIBUTES,
                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                      OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    BY_HANDLE_FILE_INFORMATION info;
    if (!file || !::GetFileInformationByHandle(file.get(), &info)) {
        return std::nullopt;
    }
    return Target{info.dwFileAttributes,
                  {info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow}};
}

bool isFolder(DWORD attributes) {
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

enum class Kind { Folder, File, Unreachable };

// The listing's attributes describe a link itself; only for links is the
// target looked up.
Kind kindOf(const std::wstring& path, DWORD listedAttributes) {
    if ((listedAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
        return isFolder(listedAttributes) ? Kind::Folder : Kind::File;
    }
    const std::optional<Target> target = targetOf(path);
    if (!target) {
        return Kind::Unreachable;
    }
    return isFolder(target->attributes) ? Kind::Folder : Kind::File;
}

// Calls visit(path, name, attributes) for every entry of `folder` but "." and
// "..". A folder that cannot be listed has no entries.
template <typename Visit>
void forEachEntry(const std::wstring& folder, Visit visit) {
    WIN32_FIND_DATAW data;
    const UniqueFind find(::FindFirstFileExW(fileApiPath(joinPath(folder, L"*")).c_str(),
                                             FindExInfoBasic, &data, FindExSearchNameMatch, nullptr,
                                             FIND_FIRST_EX_LARGE_FETCH));
    if (!find) {
        return;
    }
    do {
        const std::wstring_view name(data.cFileName);
        if (name != L"." && name != L"..") {
            visit(joinPath(folder, name), name, data.dwFileAttributes);
        }
    } while (::FindNextFileW(find.get(), &data));
}

}  // namespace

bool hasMetadata(const std::wstring& path) {
    return targetOf(path).has_value();
}

bool isCandidateExecutable(const std::wstring& path) {
    const std::optional<std::wstring> name = fileName(path);
    if (!name || !isCandidateExecutableName(*name)) {
        return false;
    }
    const std::optional<Target> target = targetOf(path);
    return target && !isFolder(target->attributes);
}

std::vector<std::wstring> candidateExecutablesIn(const std::wstring& folder) {
    std::vector<std::wstring> found;
    forEachEntry(folder, [&](std::wstring path, std::wstring_view name, DWORD attributes) {
        if (isCandidateExecutableName(name) && kindOf(path, attributes) == Kind::File) {
            found.push_back(std::move(path));
        }
    });
    return found;
}

std::vector<std::wstring> scanExecutablesRecursively(const std::wstring& folder) {
    std::vector<std::wstring> found;
    std::set<FileIdentity> entered;
    // An explicit stack: the depth of a tree is not bounded by anything the
    // service controls.
    std::vector<std::wstring> pending{folder};
    while (!pending.empty()) {
        const std::wstring current = std::move(pending.back());
        pending.pop_back();
        const std::optional<Target> target = targetOf(current);
        if (!target || !entered.insert(target->identity).second) {
            continue;
        }
        forEachEntry(current, [&](std::wstring path, std::wstring_view name, DWORD attributes) {
            switch (kindOf(path, attributes)) {
                case Kind::Folder:
                    pending.push_back(std::move(path));
                    break;
                case Kind::File:
                    if (isCandidateExecutableName(name)) {
                        found.push_back(std::move(path));
                    }
                    break;
                case Kind::Unreachable:
                    break;
            }
        });
    }
    return found;
}

}  // namespace korvane::runtime
