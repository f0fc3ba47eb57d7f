#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/file_content.h"
#include "tests/support/temp_tree.h"
#include "updater/executable_replacement.h"

namespace korvane::updater {
namespace {

namespace fs = std::filesystem;
using test::folderEntries;
using test::readFile;
using test::TempTree;
using test::writeFile;

TEST(ReplaceExecutable, PutsTheNewFileInPlaceAndKeepsTheSource) {
    TempTree folder;
    writeFile(folder.path(L"new.exe"), "new content");
    writeFile(folder.path(L"app.exe"), "old content, somewhat longer");
    ASSERT_TRUE(
        replaceExecutable(folder.path(L"new.exe").wstring(), folder.path(L"app.exe").wstring())
            .has_value());
    EXPECT_EQ(readFile(folder.path(L"app.exe")), "new content");
    EXPECT_EQ(readFile(folder.path(L"new.exe")), "new content");
    EXPECT_EQ(folderEntries(folder.root()), (std::vector<std::wstring>{L"app.exe", L"new.exe"}));

    // A target that does not exist yet is created.
    ASSERT_TRUE(
        replaceExecutable(folder.path(L"new.exe").wstring(), folder.path(L"fresh.exe").wstring())
            .has_value());
    EXPECT_EQ(readFile(folder.path(L"fresh.exe")), "new content");
}

TEST(ReplaceExecutable, AFailureLeavesTheTargetAndNoTemporaryCopy) {
    TempTree folder;
    writeFile(folder.path(L"new.exe"), "new");
    const Status noFolder = replaceExecutable(folder.path(L"new.exe").wstring(),
                                              (folder.path(L"absent") / L"app.exe").wstring());
    ASSERT_FALSE(noFolder.has_value());
    EXPECT_TRUE(noFolder.error().ends_with(" (os error 3)")) << noFolder.error();

    // The copy succeeds and the rename fails: a folder in the target's place
    // cannot be replaced by a file. The copy of a read-only source is
    // read-only too and must still go.
    ASSERT_TRUE(::SetFileAttributesW(folder.path(L"new.exe").c_str(), FILE_ATTRIBUTE_READONLY));
    fs::create_directory(folder.path(L"app.exe"));
    const Status replaced =
        replaceExecutable(folder.path(L"new.exe").wstring(), folder.path(L"app.exe").wstring());
    ASSERT_FALSE(replaced.has_value());
    EXPECT_TRUE(replaced.error().ends_with(" (os error 5)")) << replaced.error();
    EXPECT_TRUE(fs::is_directory(folder.path(L"app.exe")));
    EXPECT_EQ(folderEntries(folder.root()), (std::vector<std::wstring>{L"app.exe", L"new.exe"}));
}

TEST(ReplaceExecutable, NeverOverwritesAFileThatHasTheTemporaryName) {
    TempTree folder;
    writeFile(folder.path(L"new.exe"), "new");
    writeFile(folder.path(L"app.exe"), "old");
    const fs::path foreign =
        folder.path(L"app.exe.update-" + std::to_wstring(::GetCurrentProcessId()) + L".tmp");
    writeFile(foreign, "someone else's");
    const Status replaced =
        replaceExecutable(folder.path(L"new.exe").wstring(), folder.path(L"app.exe").wstring());
    ASSERT_FALSE(replaced.has_value());
    EXPECT_TRUE(replaced.error().ends_with(" (os error 80)")) << replaced.error();
    EXPECT_EQ(readFile(foreign), "someone else's");
    EXPECT_EQ(readFile(folder.path(L"app.exe")), "old");
}

}  // namespace
}  // namespace korvane::updater
