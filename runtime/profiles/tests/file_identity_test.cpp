#include "runtime/profiles/file_identity.h"

#include <gtest/gtest.h>

namespace korvane::runtime {
namespace {

std::array<std::uint8_t, 16> bytes(std::initializer_list<std::uint8_t> low) {
    std::array<std::uint8_t, 16> id{};
    std::copy(low.begin(), low.end(), id.begin());
    return id;
}

TEST(FileIdentity, OpeningAndListingAgreeOnAFolderWithA64BitId) {
    // NTFS: the 128-bit id is the 64-bit file reference, widened.
    const FileIdentity parent = identityFromFileId(0x1122334455667788u, bytes({1}));
    const FileIdentity opened = identityFromFileId(
        0x1122334455667788u, bytes({0x08, 0x07, 0x06, 0x05, 0x04, 0x03, 0x02, 0x01}));
    EXPECT_EQ(listedIdentity(parent, 0x0102030405060708), opened);
}

TEST(FileIdentity, WithoutFileIdInfoTheFileIndexKeyAgreesWithTheListing) {
    // FAT32 and exFAT: FileIdInfo fails, GetFileInformationByHandle answers.
    const FileIdentity parent = identityFromFileIndex(0xCAFE0001u, 0, 5);
    const FileIdentity opened = identityFromFileIndex(0xCAFE0001u, 0x00000001u, 0x80000002u);
    EXPECT_EQ(listedIdentity(parent, 0x0000000180000002), opened);
    EXPECT_NE(identityFromFileIndex(0xCAFE0001u, 0, 1), identityFromFileIndex(0xCAFE0001u, 1, 0))
        << "both halves of the index count";
}

TEST(FileIdentity, SameIdOnAnotherVolumeIsAnotherFolder) {
    EXPECT_NE(identityFromFileIndex(1, 0, 7), identityFromFileIndex(2, 0, 7));
    EXPECT_NE(identityFromFileId(1, bytes({7})), identityFromFileId(2, bytes({7})));
    EXPECT_NE(identityFromFileId(1, bytes({7})), identityFromFileId(1, bytes({8})));
}

TEST(FileIdentity, ListingWithoutAUsableIdGivesNothing) {
    const FileIdentity parent = identityFromFileIndex(1, 0, 5);
    EXPECT_EQ(listedIdentity(parent, 0), std::nullopt);
    EXPECT_EQ(listedIdentity(parent, -1), std::nullopt);
    // The top bit set is still an id.
    EXPECT_TRUE(listedIdentity(parent, INT64_MIN).has_value());
}

}  // namespace
}  // namespace korvane::runtime
