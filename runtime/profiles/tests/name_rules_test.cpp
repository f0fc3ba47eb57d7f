#include "runtime/profiles/name_rules.h"

#include <gtest/gtest.h>

namespace korvane::runtime {
namespace {

using Regexes = std::vector<std::string>;

TEST(EscapeRegex, EscapesExactlyTheFourteenSpecials) {
    EXPECT_EQ(escapeRegex("\\.+*?()|[]{}^$"), "\\\\\\.\\+\\*\\?\\(\\)\\|\\[\\]\\{\\}\\^\\$");
    EXPECT_EQ(escapeRegex("a-b/c:d e_\xC3\xA9"), "a-b/c:d e_\xC3\xA9");
}

TEST(DirectoryRegexes, GiveTheBackslashAndTheSlashForm) {
    EXPECT_EQ(directoryRegexes("C:\\Apps\\Chat\\app-1.0"),
              (Regexes{"^C:\\\\Apps\\\\Chat\\\\app-1\\.0\\\\.*$", "^C:/Apps/Chat/app-1\\.0/.*$"}));
    EXPECT_EQ(directoryRegexes("C:\\Program Files (x86)\\A\\/\\"),
              (Regexes{"^C:\\\\Program Files \\(x86\\)\\\\A\\\\.*$",
                       "^C:/Program Files \\(x86\\)/A/.*$"}));
}

TEST(DirectoryRegexes, FolderWithoutBackslashGivesOnlyTheFirst) {
    EXPECT_EQ(directoryRegexes("C:/Tools/x"), (Regexes{"^C:/Tools/x\\\\.*$"}));
    EXPECT_EQ(directoryRegexes("\\\\//"), (Regexes{"^\\\\.*$"}));
    EXPECT_EQ(directoryRegexes(""), (Regexes{"^\\\\.*$"}));
}

TEST(CandidateExecutableName, NeedsExeAndExcludesInstallersAndUpdaters) {
    EXPECT_TRUE(isCandidateExecutableName(L"Discord.exe"));
    EXPECT_TRUE(isCandidateExecutableName(L"helper.EXE"));
    EXPECT_TRUE(isCandidateExecutableName(L"Uninstall.exe"));  // "unins" is case-sensitive
    EXPECT_TRUE(isCandidateExecutableName(L"service_update.exe"));
    EXPECT_FALSE(isCandidateExecutableName(L"uninstall.exe"));
    EXPECT_FALSE(isCandidateExecutableName(L"unins000.exe"));
    EXPECT_FALSE(isCandidateExecutableName(L"Update.exe"));
    EXPECT_FALSE(isCandidateExecutableName(L"UPDATER.EXE"));
    EXPECT_FALSE(isCandidateExecutableName(L"app.exe.bak"));
    EXPECT_FALSE(isCandidateExecutableName(L"app.dll"));
    EXPECT_FALSE(isCandidateExecutableName(L".exe"));
    EXPECT_FALSE(isCandidateExecutableName(L"exe"));
    const std::wstring undecodable = static_cast<wchar_t>(0xDC00) + std::wstring(L"unins.exe");
    EXPECT_TRUE(isCandidateExecutableName(undecodable));
}

}  // namespace
}  // namespace korvane::runtime
