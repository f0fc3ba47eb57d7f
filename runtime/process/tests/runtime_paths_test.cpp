#include "runtime/process/runtime_paths.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <vector>

#include "runtime/process/runtime_layout.h"
#include "tests/support/temp_tree.h"

namespace korvane::runtime {
namespace {

namespace fs = std::filesystem;
using test::TempTree;

const fs::path kNaive = kNaiveRelativePath;

using RuntimePathsTest = ::testing::Test;

TEST_F(RuntimePathsTest, DataDirectory_FollowsTheInstallLayout) {
    EXPECT_EQ(dataDirectoryFor(L"C:\\X\\resources\\runtime\\svc.exe"), fs::path(L"C:\\X\\data"));
    EXPECT_EQ(dataDirectoryFor(L"C:\\X\\Resources\\Runtime\\svc.exe"), fs::path(L"C:\\X\\data"));
    EXPECT_EQ(dataDirectoryFor(L"C:\\X\\RUNTIME\\svc.exe"), fs::path(L"C:\\X\\data"));
    EXPECT_EQ(dataDirectoryFor(L"C:\\X\\bin\\svc.exe"), fs::path(L"C:\\X\\bin\\data"));
    EXPECT_EQ(dataDirectoryFor(L"C:\\X\\runtimes\\svc.exe"), fs::path(L"C:\\X\\runtimes\\data"));
    EXPECT_EQ(dataDirectoryFor(L"C:\\X\\resources\\svc.exe"), fs::path(L"C:\\X\\resources\\data"));
}

TEST_F(RuntimePathsTest, DataDirectory_StopsAtTheVolumeRoot) {
    EXPECT_EQ(dataDirectoryFor(L"C:\\runtime\\svc.exe"), fs::path(L"C:\\data"));
    EXPECT_EQ(dataDirectoryFor(L"C:\\resources\\runtime\\svc.exe"), fs::path(L"C:\\data"));
    EXPECT_EQ(dataDirectoryFor(L"C:\\svc.exe"), fs::path(L"C:\\data"));
}

TEST_F(RuntimePathsTest, DataDirectory_NonUnicodeComponentNeverMatches) {
    // An unpaired surrogate in place of a letter.
    const std::wstring broken = std::wstring(L"C:\\X\\runtim") + wchar_t(0xD800) + L"\\svc.exe";
    EXPECT_EQ(dataDirectoryFor(broken), fs::path(broken).parent_path() / "data");
}

TEST_F(RuntimePathsTest, Layout_DataFolderAndLogsFollowTheServiceExecutable) {
    const RuntimeLayout layout(fs::path(L"C:\\X\\resources\\runtime\\svc.exe"));
    EXPECT_EQ(layout.dataFolder(), fs::path(L"C:\\X\\data"));
    EXPECT_EQ(layout.logFile("sing-box"), fs::path(L"C:\\X\\data\\logs\\sing-box.log"));

    const RuntimeLayout running = RuntimeLayout::ofRunningExecutable();
    ASSERT_TRUE(running.serviceExecutable().has_value());
    EXPECT_EQ(running.dataFolder(), running.serviceExecutable()->parent_path() / "data");
}

TEST_F(RuntimePathsTest, Layout_FallsBackToTheCurrentDirectory) {
    EXPECT_EQ(RuntimeLayout(fs::path(L"svc.exe")).dataFolder(), fs::current_path() / "data");
    const RuntimeLayout unknown(std::nullopt);
    EXPECT_EQ(unknown.dataFolder(), fs::current_path() / "data");
    EXPECT_EQ(unknown.find(RuntimeProgram::Naive), std::nullopt);
}

TEST_F(RuntimePathsTest, Candidates_InOrderAndNeverAboveTheInstallRoot) {
    const std::vector<fs::path> expected = {
        L"C:\\X\\resources\\runtime\\runtime\\naive\\naive.exe",
        L"C:\\X\\resources\\runtime\\naive\\naive.exe",
        L"C:\\X\\resources\\runtime\\app\\runtime\\naive\\naive.exe",
        L"C:\\X\\resources\\app\\runtime\\naive\\naive.exe",
        L"C:\\X\\app\\runtime\\naive\\naive.exe",
    };
    EXPECT_EQ(runtimeExecutableCandidates(L"C:\\X\\resources\\runtime\\svc.exe", kNaive), expected);
    // An executable outside a runtime folder is its own install root.
    EXPECT_EQ(runtimeExecutableCandidates(L"C:\\X\\bin\\svc.exe", L"runtime\\x.exe"),
              (std::vector<fs::path>{L"C:\\X\\bin\\runtime\\x.exe", L"C:\\X\\bin\\x.exe",
                                     L"C:\\X\\bin\\app\\runtime\\x.exe"}));
}

TEST_F(RuntimePathsTest, Candidates_RecogniseEveryFormOfVolumeRoot) {
    const fs::path rel = L"runtime\\x.exe";
    using Paths = std::vector<fs::path>;
    EXPECT_EQ(runtimeExecutableCandidates(L"C:\\svc.exe", rel),
              (Paths{L"C:\\runtime\\x.exe", L"C:\\x.exe"}));
    EXPECT_EQ(runtimeExecutableCandidates(L"\\\\srv\\share\\X\\svc.exe", rel),
              (Paths{L"\\\\srv\\share\\X\\runtime\\x.exe", L"\\\\srv\\share\\X\\x.exe",
                     L"\\\\srv\\share\\X\\app\\runtime\\x.exe"}));
    EXPECT_EQ(runtimeExecutableCandidates(L"\\\\?\\C:\\X\\svc.exe", rel),
              (Paths{L"\\\\?\\C:\\X\\runtime\\x.exe", L"\\\\?\\C:\\X\\x.exe",
                     L"\\\\?\\C:\\X\\app\\runtime\\x.exe"}));
    EXPECT_EQ(
        runtimeExecutableCandidates(L"\\\\?\\UNC\\srv\\share\\X\\svc.exe", rel),
        (Paths{L"\\\\?\\UNC\\srv\\share\\X\\runtime\\x.exe", L"\\\\?\\UNC\\srv\\share\\X\\x.exe",
               L"\\\\?\\UNC\\srv\\share\\X\\app\\runtime\\x.exe"}));
}

TEST_F(RuntimePathsTest, Candidates_OnlyARuntimePrefixIsDropped) {
    EXPECT_EQ(runtimeExecutableCandidates(L"C:\\X\\svc.exe", L"tools\\x.exe"),
              (std::vector<fs::path>{L"C:\\X\\tools\\x.exe", L"C:\\X\\app\\tools\\x.exe"}));
    EXPECT_TRUE(runtimeExecutableCandidates(L"svc.exe", kNaive).empty());
}

TEST_F(RuntimePathsTest, Find_TakesTheFirstPresentCandidate) {
    TempTree tree;
    const RuntimeLayout layout(tree.root() / L"X\\resources\\runtime\\svc.exe");
    EXPECT_EQ(layout.find(RuntimeProgram::Naive), std::nullopt);

    // The layout looks again at each call: programs installed later are found.
    const fs::path upward = tree.file(L"X\\app\\runtime\\naive\\naive.exe");
    EXPECT_EQ(layout.find(RuntimeProgram::Naive), upward);

    const fs::path flat = tree.file(L"X\\resources\\runtime\\naive\\naive.exe");
    EXPECT_EQ(layout.find(RuntimeProgram::Naive), flat);

    // A folder of that name counts as present too.
    const fs::path nested = tree.folder(L"X\\resources\\runtime\\runtime\\naive\\naive.exe");
    EXPECT_EQ(layout.find(RuntimeProgram::Naive), nested);

    EXPECT_EQ(layout.find(RuntimeProgram::SingBox), std::nullopt);
    const fs::path singBox = tree.file(L"X\\resources\\runtime\\sing-box\\sing-box.exe");
    EXPECT_EQ(layout.find(RuntimeProgram::SingBox), singBox);
}

TEST_F(RuntimePathsTest, Find_WorksWithExtendedLengthPaths) {
    TempTree tree;
    const fs::path program = tree.file(L"X\\app\\runtime\\naive\\naive.exe");
    const fs::path service = L"\\\\?\\" + (tree.root() / L"X\\runtime\\svc.exe").wstring();
    EXPECT_EQ(findRuntimeExecutableFrom(service, kNaive), fs::path(L"\\\\?\\" + program.wstring()));
}

TEST_F(RuntimePathsTest, Find_IgnoresAProgramAtTheVolumeRoot) {
    TempTree tree;
    const fs::path root = tree.root().root_path();
    const fs::path planted = root / L"app\\runtime\\korvane-planted\\x.exe";
    if (fs::exists(root / L"app")) {
        GTEST_SKIP() << "the volume root already holds an app folder";
    }
    fs::create_directories(planted.parent_path());
    { std::ofstream(planted) << "x"; }
    const fs::path service = tree.root() / L"X\\bin\\svc.exe";

    const auto found = findRuntimeExecutableFrom(service, L"runtime\\korvane-planted\\x.exe");
    const auto viaExtended = findRuntimeExecutableFrom(L"\\\\?\\" + service.wstring(),
                                                       L"runtime\\korvane-planted\\x.exe");
    fs::remove_all(root / L"app");
    EXPECT_EQ(found, std::nullopt);
    EXPECT_EQ(viaExtended, std::nullopt);
}

}  // namespace
}  // namespace korvane::runtime
