// Whole files replaced in one step: a failure leaves the previous file whole.

#include "runtime/process/file_io.h"

#include <gtest/gtest.h>

#include "platform/write_all.h"
#include "tests/support/file_content.h"
#include "tests/support/temp_tree.h"

namespace korvane::runtime {
namespace {

TEST(ReplaceFile, ReplacesTheWholeFileAndLeavesNothingBeside) {
    const test::TempTree tree;
    const auto path = tree.file(L"sing-box\\tun.json", "an old and much longer document");
    ASSERT_TRUE(writeWholeFile(path, "new").has_value());
    EXPECT_EQ(test::readFile(path), "new");
    EXPECT_EQ(test::folderEntries(tree.path(L"sing-box")), std::vector<std::wstring>{L"tun.json"});
}

TEST(ReplaceFile, AFailedWriteLeavesTheOldFileWholeAndRemovesTheNewOne) {
    const test::TempTree tree;
    const auto path = tree.file(L"sing-box\\tun.json", "old");
    // Half the content goes in, then the disk is full.
    const Status replaced = replaceFile(path, [](HANDLE file) -> Status {
        KORVANE_TRY(platform::writeAll(file, "{\"half\":"));
        return fail("There is not enough space on the disk.");
    });
    EXPECT_EQ(replaced, fail("There is not enough space on the disk."));
    EXPECT_EQ(test::readFile(path), "old");
    EXPECT_EQ(test::folderEntries(tree.path(L"sing-box")), std::vector<std::wstring>{L"tun.json"});
}

TEST(ReplaceFile, ALeftoverOfAnEarlierAttemptIsReplacedToo) {
    const test::TempTree tree;
    const auto path = tree.file(L"config.json", "old");
    tree.file(L"config.json.new", "stale half");
    ASSERT_TRUE(writeWholeFile(path, "new").has_value());
    EXPECT_EQ(test::readFile(path), "new");
    EXPECT_EQ(test::folderEntries(tree.root()), std::vector<std::wstring>{L"config.json"});
}

}  // namespace
}  // namespace korvane::runtime
