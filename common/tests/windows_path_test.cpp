#include "common/windows_path.h"

#include <gtest/gtest.h>

namespace korvane {
namespace {

TEST(WindowsPath, AbsoluteNeedsADriveWithRootOrAUncVerbatimOrDevicePrefix) {
    EXPECT_TRUE(isAbsolutePath(L"C:\\Apps"));
    EXPECT_TRUE(isAbsolutePath(L"c:/Apps"));
    EXPECT_TRUE(isAbsolutePath(L"\\\\server\\share\\x"));
    EXPECT_TRUE(isAbsolutePath(L"//server/share"));
    EXPECT_TRUE(isAbsolutePath(L"\\\\?\\C:\\x"));
    EXPECT_TRUE(isAbsolutePath(L"\\\\?\\UNC\\server\\share"));
    EXPECT_TRUE(isAbsolutePath(L"\\\\.\\pipe\\name"));
    EXPECT_FALSE(isAbsolutePath(L"C:Apps"));
    EXPECT_FALSE(isAbsolutePath(L"\\Apps"));
    EXPECT_FALSE(isAbsolutePath(L"\\\\server"));
    EXPECT_FALSE(isAbsolutePath(L"tools\\a.exe"));
    EXPECT_FALSE(isAbsolutePath(L"%LOCALAPPDATA%\\a.exe"));
    EXPECT_FALSE(isAbsolutePath(L""));
}

TEST(WindowsPath, DrivePathsAreLocalVolumesOnly) {
    EXPECT_TRUE(isDrivePath(L"C:\\Apps\\a.exe"));
    EXPECT_TRUE(isDrivePath(L"c:/Apps"));
    EXPECT_TRUE(isDrivePath(L"\\\\?\\C:\\Apps"));
    EXPECT_FALSE(isDrivePath(L"\\\\server\\share\\a.exe"));
    EXPECT_FALSE(isDrivePath(L"//server/share/a.exe"));
    EXPECT_FALSE(isDrivePath(L"\\\\?\\UNC\\server\\share\\a.exe"));
    EXPECT_FALSE(isDrivePath(L"\\\\.\\pipe\\name\\a.exe"));
    EXPECT_FALSE(isDrivePath(L"\\\\?\\GLOBALROOT\\Device\\X\\a.exe"));
    EXPECT_FALSE(isDrivePath(L"C:Apps"));
    EXPECT_FALSE(isDrivePath(L"\\Apps"));
}

TEST(WindowsPath, JoinFollowsThePlatformRules) {
    EXPECT_EQ(joinPath(L"C:\\svc", L"tools\\a.exe"), L"C:\\svc\\tools\\a.exe");
    EXPECT_EQ(joinPath(L"C:\\svc\\", L"a.exe"), L"C:\\svc\\a.exe");
    EXPECT_EQ(joinPath(L"C:/svc/", L"a.exe"), L"C:/svc/a.exe");
    // A leading separator keeps only the drive (or share) of the base.
    EXPECT_EQ(joinPath(L"C:\\svc", L"\\x\\a.exe"), L"C:\\x\\a.exe");
    EXPECT_EQ(joinPath(L"\\\\srv\\share\\svc", L"/x"), L"\\\\srv\\share/x");
    // A path with a prefix of its own replaces the base, even a relative one.
    EXPECT_EQ(joinPath(L"C:\\svc", L"D:\\x"), L"D:\\x");
    EXPECT_EQ(joinPath(L"C:\\svc", L"D:x"), L"D:x");
    EXPECT_EQ(joinPath(L"C:", L"x"), L"C:x");
    EXPECT_EQ(joinPath(L"", L"x"), L"x");
}

TEST(WindowsPath, ParentAndFileNameIgnoreTrailingSeparatorsAndDots) {
    EXPECT_EQ(fileName(L"C:\\Apps\\Tool\\"), L"Tool");
    EXPECT_EQ(parentPath(L"C:\\Apps\\Tool\\"), L"C:\\Apps");
    EXPECT_EQ(parentPath(L"C:\\Apps"), L"C:\\");
    EXPECT_EQ(parentPath(L"C:/Tools/x/app.exe"), L"C:/Tools/x");
    EXPECT_EQ(parentPath(L"C:\\a\\.\\b"), L"C:\\a");
    EXPECT_EQ(parentPath(L"C:\\a\\\\b"), L"C:\\a");
    EXPECT_EQ(parentPath(L"\\\\srv\\share\\x"), L"\\\\srv\\share\\");
    EXPECT_EQ(parentPath(L"a.exe"), L"");
    EXPECT_EQ(parentPath(L"C:a.exe"), L"C:");
    EXPECT_EQ(fileName(L"C:\\a\\b\\."), L"b");
    // Roots, prefixes and ".." have no name; roots and prefixes no parent.
    EXPECT_EQ(fileName(L"C:\\a\\.."), std::nullopt);
    EXPECT_EQ(parentPath(L"C:\\a\\.."), L"C:\\a");
    EXPECT_EQ(fileName(L"C:\\"), std::nullopt);
    EXPECT_EQ(parentPath(L"C:\\"), std::nullopt);
    EXPECT_EQ(parentPath(L"\\\\srv\\share"), std::nullopt);
    EXPECT_EQ(parentPath(L"\\\\?\\C:\\"), std::nullopt);
    EXPECT_EQ(parentPath(L""), std::nullopt);
    // In verbatim paths "/" is an ordinary character.
    EXPECT_EQ(fileName(L"\\\\?\\C:\\a/b"), L"a/b");
}

TEST(WindowsPath, FileNameIsComparesTheLastNameIgnoringAsciiCaseOnly) {
    EXPECT_TRUE(fileNameIs(L"C:\\X\\Resources\\", L"resources"));
    EXPECT_TRUE(fileNameIs(L"C:/X/RUNTIME", L"runtime"));
    EXPECT_FALSE(fileNameIs(L"C:\\X\\runtimes", L"runtime"));
    EXPECT_FALSE(fileNameIs(L"C:\\runtime\\..", L"runtime"));
    EXPECT_FALSE(fileNameIs(L"\\\\srv\\runtime", L"runtime"));  // the share is the root
    // A name that is not valid UTF-16 matches nothing.
    EXPECT_FALSE(
        fileNameIs(std::wstring(L"C:\\runtim") + static_cast<wchar_t>(0xD800), L"runtime"));
}

TEST(WindowsPath, StemAndExtensionSplitAtTheLastDot) {
    EXPECT_EQ(fileStem(L"C:\\T\\Telegram.exe"), L"Telegram");
    EXPECT_EQ(fileExtension(L"C:\\T\\Telegram.exe"), L"exe");
    EXPECT_EQ(fileStem(L"Code Helper (GPU).exe"), L"Code Helper (GPU)");
    EXPECT_EQ(fileStem(L"a.b.EXE"), L"a.b");
    EXPECT_EQ(fileExtension(L"a.b.EXE"), L"EXE");
    EXPECT_EQ(fileStem(L"Discord"), L"Discord");
    EXPECT_EQ(fileExtension(L"Discord"), std::nullopt);
    EXPECT_EQ(fileStem(L".exe"), L".exe");
    EXPECT_EQ(fileExtension(L".exe"), std::nullopt);
    EXPECT_EQ(fileExtension(L"a."), L"");
    EXPECT_EQ(fileStem(L"C:\\"), std::nullopt);
}

TEST(WindowsPath, VolumeRootIsThePrefixInEveryForm) {
    EXPECT_EQ(volumeRoot(L"C:\\X\\svc.exe"), L"C:");
    EXPECT_EQ(volumeRoot(L"c:/X"), L"c:");
    EXPECT_EQ(volumeRoot(L"\\\\srv\\share\\X"), L"\\\\srv\\share");
    EXPECT_EQ(volumeRoot(L"//srv/share/X"), L"//srv/share");
    EXPECT_EQ(volumeRoot(L"\\\\?\\C:\\X"), L"\\\\?\\C:");
    EXPECT_EQ(volumeRoot(L"\\\\?\\UNC\\srv\\share\\X"), L"\\\\?\\UNC\\srv\\share");
    EXPECT_EQ(volumeRoot(L"\\\\?\\GLOBALROOT\\Device\\X"), L"\\\\?\\GLOBALROOT");
    EXPECT_EQ(volumeRoot(L"\\\\.\\pipe\\name"), L"\\\\.\\pipe");
    // Windows reads "UNC" in either case, also after the device prefix: the
    // share, not the server's folder list, is the root of these.
    EXPECT_EQ(volumeRoot(L"\\\\?\\unc\\srv\\share\\X"), L"\\\\?\\unc\\srv\\share");
    EXPECT_EQ(volumeRoot(L"\\\\.\\UNC\\srv\\share\\X"), L"\\\\.\\UNC\\srv\\share");
    EXPECT_EQ(parentPath(L"\\\\?\\Unc\\srv\\share"), std::nullopt);
    // Relative paths and paths rooted without a drive lie on no named volume.
    EXPECT_EQ(volumeRoot(L"\\X\\svc.exe"), L"");
    EXPECT_EQ(volumeRoot(L"X\\svc.exe"), L"");
    EXPECT_EQ(volumeRoot(L"\\\\srv"), L"");
    EXPECT_EQ(volumeRoot(L""), L"");
}

TEST(WindowsPath, TrailingSeparatorsOfEitherKindAreDropped) {
    EXPECT_TRUE(isPathSeparator(L'/'));
    EXPECT_TRUE(isPathSeparator(L'\\'));
    EXPECT_FALSE(isPathSeparator(L':'));
    EXPECT_EQ(withoutTrailingSeparators(L"C:\\X\\/\\"), L"C:\\X");
    EXPECT_EQ(withoutTrailingSeparators(L"C:\\"), L"C:");
    EXPECT_EQ(withoutTrailingSeparators(L"\\/"), L"");
    EXPECT_EQ(withoutTrailingSeparators(L"a\\b"), L"a\\b");
}

}  // namespace
}  // namespace korvane
