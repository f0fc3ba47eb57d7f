#pragma once
// What identifies a folder however its path is spelled: its volume's serial
// number and its file id. Portable: the system's numbers are handed in.
//
// The keys from the three places the scan learns them must agree for one
// folder, or a loop through a link would not be seen: opening the folder
// (FileIdInfo, or GetFileInformationByHandle on file systems without 128-bit
// ids, such as FAT32 and exFAT, where FileIdInfo fails) and listing its parent
// (a 64-bit id, on the parent's volume).

#include <array>
#include <compare>
#include <cstdint>
#include <optional>

namespace korvane::runtime {

struct FileIdentity {
    std::uint64_t volume = 0;
    std::array<std::uint8_t, 16> id{};  // little-endian, as FileIdInfo gives it
    auto operator<=>(const FileIdentity&) const = default;
};

// From FileIdInfo: the volume serial number and the 128-bit file id.
FileIdentity identityFromFileId(std::uint64_t volume, const std::array<std::uint8_t, 16>& id);

// From GetFileInformationByHandle: the 32-bit volume serial number and the
// two halves of the 64-bit file index.
FileIdentity identityFromFileIndex(std::uint32_t volume, std::uint32_t indexHigh,
                                   std::uint32_t indexLow);

// A subfolder's identity from its parent's listing: the parent's volume and
// the listed 64-bit id; nothing when the file system gives no usable id (0, or
// -1 for an id that does not fit in 64 bits).
std::optional<FileIdentity> listedIdentity(const FileIdentity& parent, std::int64_t fileId);

}  // namespace korvane::runtime
