#include "runtime/profiles/executable_scan.h"

#include <windows.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <optional>
#include <set>

#include "common/windows_path.h"
#include "platform/handles.h"
#include "runtime/profiles/file_api_path.h"
#include "runtime/profiles/name_rules.h"

namespace korvane::runtime {
namespace {

// A folder's identity: volume serial number and file id, as FileIdInfo gives
// them. A folder listing gives the ids of its entries on the same volume.
struct FileIdentity {
    std::uint64_t volume = 0;
    std::array<std::uint8_t, 16> id{};
    auto operator<=>(const FileIdentity&) const = default;
};

struct Target {
    DWORD attributes;
    FileIdentity identity;
};

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
// Identification level only, should a pipe answer after all.
constexpr DWORD kOpenFlags =
    FILE_FLAG_BACKUP_SEMANTICS | SECURITY_SQOS_PRESENT | SECURITY_IDENTIFICATION;

// The paths come from the client, and the service runs as SYSTEM: it reads
// only local volumes, never a share (which would hand the machine's
// credentials to whoever serves it), a pipe or a device.
bool mayRead(const std::wstring& path) {
    return isDrivePath(path);
}

platform::UniqueFile openFollowingLinks(const std::wstring& path, DWORD access) {
    if (!mayRead(path)) {
        return {};
    }
    return platform::UniqueFile(::CreateFileW(fileApiPath(path).c_str(), access, kShareAll, nullptr,
                                              OPEN_EXISTING, kOpenFlags, nullptr));
}

// What `path` names once links are followed; nothing when it cannot be opened.
std::optional<Target> targetOf(const std::wstring& path) {
    const platform::UniqueFile file = openFollowingLinks(path, FILE_READ_ATTRIBUTES);
    FILE_BASIC_INFO basic;
    FILE_ID_INFO id;
    if (!file || !::GetFileInformationByHandleEx(file.get(), FileBasicInfo, &basic, sizeof basic) ||
        !::GetFileInformationByHandleEx(file.get(), FileIdInfo, &id, sizeof id)) {
        return std::nullopt;
    }
    Target target{basic.FileAttributes, {id.VolumeSerialNumber, {}}};
    std::memcpy(target.identity.id.data(), id.FileId.Identifier, target.identity.id.size());
    return target;
}

bool isFolder(DWORD attributes) {
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}
bool isLink(DWORD attributes) {
    return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

struct Entry {
    std::wstring_view name;
    DWORD attributes;  // of the entry itself: a link's, not its target's
    LARGE_INTEGER fileId;
};

// Calls visit(entry) for every entry of `folder` but "." and "..". Listing
// through the folder's handle gives each entry's file id with its attributes.
// A folder that cannot be listed has no entries.
template <typename Visit>
void forEachEntry(const std::wstring& folder, Visit visit) {
    const platform::UniqueFile directory =
        openFollowingLinks(folder, FILE_LIST_DIRECTORY | SYNCHRONIZE);
    if (!directory) {
        return;
    }
    std::array<std::uint64_t, 8192> buffer;  // 64 KiB, aligned for the records
    auto kind = FileIdBothDirectoryRestartInfo;
    while (::GetFileInformationByHandleEx(directory.get(), kind, buffer.data(), sizeof buffer)) {
        kind = FileIdBothDirectoryInfo;
        const auto* bytes = reinterpret_cast<const std::byte*>(buffer.data());
        for (std::size_t offset = 0;;) {
            const auto* info = reinterpret_cast<const FILE_ID_BOTH_DIR_INFO*>(bytes + offset);
            const std::wstring_view name(info->FileName, info->FileNameLength / sizeof(wchar_t));
            if (name != L"." && name != L"..") {
                visit(Entry{name, info->FileAttributes, info->FileId});
            }
            if (info->NextEntryOffset == 0) {
                break;
            }
            offset += info->NextEntryOffset;
        }
    }
}

// A plain subfolder's identity from its listing; nothing when the file system
// gives no usable id (0, or -1 for ids that do not fit in 64 bits).
std::optional<FileIdentity> listedIdentity(const FileIdentity& parent, LARGE_INTEGER fileId) {
    if (fileId.QuadPart == 0 || fileId.QuadPart == -1) {
        return std::nullopt;
    }
    FileIdentity identity{parent.volume, {}};
    std::memcpy(identity.id.data(), &fileId.QuadPart, sizeof fileId.QuadPart);
    return identity;
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
    forEachEntry(folder, [&](const Entry& entry) {
        if (!isCandidateExecutableName(entry.name)) {
            return;
        }
        std::wstring path = joinPath(folder, entry.name);
        if (isLink(entry.attributes) ? isCandidateExecutable(path) : !isFolder(entry.attributes)) {
            found.push_back(std::move(path));
        }
    });
    return found;
}

std::vector<std::wstring> scanExecutablesRecursively(const std::wstring& folder) {
    struct Pending {
        std::wstring path;
        std::optional<FileIdentity> identity;  // looked up on entering when unknown
    };
    std::vector<std::wstring> found;
    std::set<FileIdentity> entered;
    // An explicit stack: the depth of a tree is not bounded by anything the
    // service controls.
    std::vector<Pending> pending{{folder, std::nullopt}};
    while (!pending.empty()) {
        const Pending current = std::move(pending.back());
        pending.pop_back();
        std::optional<FileIdentity> identity = current.identity;
        if (!identity) {
            const std::optional<Target> target = targetOf(current.path);
            identity = target ? std::optional(target->identity) : std::nullopt;
        }
        if (!identity || !entered.insert(*identity).second) {
            continue;
        }
        forEachEntry(current.path, [&](const Entry& entry) {
            if (isLink(entry.attributes)) {
                // Links are followed: what they lead to decides.
                std::wstring path = joinPath(current.path, entry.name);
                const std::optional<Target> target = targetOf(path);
                if (target && isFolder(target->attributes)) {
                    pending.push_back({std::move(path), target->identity});
                } else if (target && isCandidateExecutableName(entry.name)) {
                    found.push_back(std::move(path));
                }
            } else if (isFolder(entry.attributes)) {
                pending.push_back(
                    {joinPath(current.path, entry.name), listedIdentity(*identity, entry.fileId)});
            } else if (isCandidateExecutableName(entry.name)) {
                found.push_back(joinPath(current.path, entry.name));
            }
        });
    }
    return found;
}

}  // namespace korvane::runtime
