#include "runtime/profiles/file_identity.h"

namespace korvane::runtime {
namespace {

// A 64-bit id as the low half of a 128-bit one, least significant byte first.
std::array<std::uint8_t, 16> wideId(std::uint64_t id) {
    std::array<std::uint8_t, 16> bytes{};
    for (std::size_t i = 0; i < 8; ++i) {
        bytes[i] = static_cast<std::uint8_t>(id >> (8 * i));
    }
    return bytes;
}

}  // namespace

FileIdentity identityFromFileId(std::uint64_t volume, const std::array<std::uint8_t, 16>& id) {
    return {volume, id};
}

FileIdentity identityFromFileIndex(std::uint32_t volume, std::uint32_t indexHigh,
                                   std::uint32_t indexLow) {
    return {volume, wideId((std::uint64_t{indexHigh} << 32) | indexLow)};
}

std::optional<FileIdentity> listedIdentity(const FileIdentity& parent, std::int64_t fileId) {
    if (fileId == 0 || fileId == -1) {
        return std::nullopt;
    }
    return FileIdentity{parent.volume, wideId(static_cast<std::uint64_t>(fileId))};
}

}  // namespace korvane::runtime
