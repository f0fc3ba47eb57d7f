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

// An open file's identity: FileIdInfo where the file system has it, the
// volume serial number and file index where it fails (FAT32, exFAT).
std::optional<FileIdentity> identityOf(HANDLE file) {
    FILE_ID_INFO id;
    if (::GetFileInformationByHandleEx(file, FileIdInfo, &id, sizeof id)) {
        std::array<std::uint8_t, 16> bytes;
        static_assert(sizeof id.FileId.Identifier == bytes.size());
        std::memcpy(bytes.data(), id.FileId.Identifier, bytes.size());
        return identityFromFileId(id.VolumeSerialNumber, bytes);
    }
    BY_HANDLE_FILE_INFORMATION information;
    if (::GetFileInformationByHandle(file, &information)) {
        return identityFromFileIndex(information.dwVolumeSerialNumber, information.nFileIndexHigh,
                                     information.nFileIndexLow);
    }
    return std::nullopt;
}

// What `path` names once links are followed; nothing when it cannot be opened.
std::optional<Target> targetOf(const std::wstring& path) {
    const platform::UniqueFile file = openFollowingLinks(path, FILE_READ_ATTRIBUTES);
    FILE_BASIC_INFO basic;
    if (!file || !::GetFileInformationByHandleEx(file.get(), FileBasicInfo, &basic, sizeof basic)) {
        return std::nullopt;
    }
    const std::optional<FileIdentity> identity = identityOf(file.get());
    if (!identity) {
        return std::nullopt;
    }
    return Target{basic.FileAttributes, *identity};
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

ExecutableScan::ExecutableScan(ScanLimits limits) : budget_(limits) {}

// Calls visit(entry) for every entry of `folder` but "." and "..", each
// counted against the budget. Listing through the folder's handle gives each
// entry's file id with its attributes. A folder that cannot be listed has no
// entries.
template <typename Visit>
void ExecutableScan::forEachEntry(const std::wstring& folder, Visit visit) {
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
                if (!budget_.spendFolderEntry()) {
                    return;
                }
                visit(Entry{name, info->FileAttributes, info->FileId});
            }
            if (info->NextEntryOffset == 0) {
                break;
            }
            offset += info->NextEntryOffset;
        }
    }
}

bool ExecutableScan::report(std::vector<std::wstring>& found, std::wstring path) {
    if (!budget_.spendExecutablePath()) {
        return false;
    }
    found.push_back(std::move(path));
    return true;
}

const std::vector<std::wstring>& ExecutableScan::executablesIn(const std::wstring& folder) {
    static const std::vector<std::wstring> kNone;
    const std::optional<Target> target = targetOf(folder);
    if (!target || budget_.exhausted()) {
        return kNone;
    }
    auto [listing, first] = listed_.try_emplace(target->identity);
    if (!first) {
        return listing->second;
    }
    std::vector<std::wstring>& found = listing->second;
    forEachEntry(folder, [&](const Entry& entry) {
        if (!isCandidateExecutableName(entry.name)) {
            return;
        }
        std::wstring path = joinPath(folder, entry.name);
        if (isLink(entry.attributes) ? isCandidateExecutable(path) : !isFolder(entry.attributes)) {
            report(found, std::move(path));
        }
    });
    return found;
}

std::vector<std::wstring> ExecutableScan::executablesBelow(const std::wstring& folder) {
    struct Pending {
        std::wstring path;
        std::optional<FileIdentity> identity;  // looked up on entering when unknown
    };
    std::vector<std::wstring> found;
    // An explicit stack: the depth of a tree is not bounded by anything the
    // service controls.
    std::vector<Pending> pending{{folder, std::nullopt}};
    while (!pending.empty() && !budget_.exhausted()) {
        const Pending current = std::move(pending.back());
        pending.pop_back();
        std::optional<FileIdentity> identity = current.identity;
        if (!identity) {
            const std::optional<Target> target = targetOf(current.path);
            identity = target ? std::optional(target->identity) : std::nullopt;
        }
        if (!identity || !entered_.insert(*identity).second) {
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
                    report(found, std::move(path));
                }
            } else if (isFolder(entry.attributes)) {
                pending.push_back({joinPath(current.path, entry.name),
                                   listedIdentity(*identity, entry.fileId.QuadPart)});
            } else if (isCandidateExecutableName(entry.name)) {
                report(found, joinPath(current.path, entry.name));
            }
        });
    }
    return found;
}

Status ExecutableScan::status() const {
    if (budget_.exhausted()) {
        return fail(budget_.failure());
    }
    return {};
}

}  // namespace korvane::runtime
