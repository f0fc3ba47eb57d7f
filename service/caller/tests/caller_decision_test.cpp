#include "service/caller/caller_decision.h"

#include <gtest/gtest.h>

namespace korvane::service {
namespace {

constexpr std::uint32_t kServicePid = 500;
constexpr wchar_t kRoot[] = L"\\\\?\\C:\\Program Files\\Korvane";

CallerVerdict verdictFor(std::initializer_list<CallerImage> owners) {
    return decideCaller(std::span(owners.begin(), owners.size()), kServicePid, kRoot);
}

TEST(InsideFolder, AcceptsPathsBelowTheRootInAnyCaseAndForm) {
    EXPECT_TRUE(isInsideFolder(L"C:\\Program Files\\Korvane\\Korvane.exe", kRoot));
    EXPECT_TRUE(isInsideFolder(L"\\\\?\\c:\\PROGRAM FILES\\korvane\\resources\\x.exe", kRoot));
    EXPECT_TRUE(isInsideFolder(L"C:/Program Files/Korvane/a.exe", L"C:\\Program Files\\Korvane\\"));
    EXPECT_TRUE(isInsideFolder(L"\\\\?\\UNC\\srv\\share\\K\\a.exe", L"\\\\srv\\share\\K"));
}

TEST(InsideFolder, RefusesSiblingsPrefixesLookAlikesAndDotComponents) {
    EXPECT_FALSE(isInsideFolder(L"C:\\Program Files\\Korvane2\\Korvane.exe", kRoot));
    EXPECT_FALSE(isInsideFolder(L"C:\\Program Files\\Korvane", kRoot));
    EXPECT_FALSE(isInsideFolder(L"C:\\Program Files\\Korvane\\", kRoot));
    EXPECT_FALSE(isInsideFolder(L"D:\\Program Files\\Korvane\\a.exe", kRoot));
    // U+212A KELVIN SIGN folds to "k" under full Unicode case rules.
    EXPECT_FALSE(isInsideFolder(L"C:\\Program Files\\\u212Aorvane\\a.exe", kRoot));
    EXPECT_FALSE(isInsideFolder(L"C:\\Program Files\\Korvane\\..\\Evil\\a.exe", kRoot));
    EXPECT_FALSE(isInsideFolder(L"C:\\Program Files\\Korvane\\.\\a.exe", kRoot));
    EXPECT_FALSE(isInsideFolder(L"C:\\anything.exe", L""));
}

TEST(DecideCaller, TrustsInstalledProgramsAndTheServiceItself) {
    EXPECT_EQ(verdictFor({{77, L"C:\\Program Files\\Korvane\\Korvane.exe"}}),
              CallerVerdict::Trusted);
    EXPECT_EQ(verdictFor({{kServicePid, std::nullopt}}), CallerVerdict::Trusted);
    EXPECT_EQ(verdictFor({{kServicePid, L"C:\\elsewhere\\svc.exe"}}), CallerVerdict::Trusted);
}

TEST(DecideCaller, RefusesAnyOwnerFromElsewhereWhateverElseIsFound) {
    EXPECT_EQ(verdictFor({{66, L"C:\\Users\\eve\\Downloads\\tool.exe"}}), CallerVerdict::Refused);
    EXPECT_EQ(verdictFor({{77, L"C:\\Program Files\\Korvane\\Korvane.exe"},
                          {66, L"C:\\Users\\eve\\tool.exe"}}),
              CallerVerdict::Refused);
    EXPECT_EQ(verdictFor({{66, std::nullopt}, {67, L"C:\\Users\\eve\\tool.exe"}}),
              CallerVerdict::Refused);
}

TEST(DecideCaller, IsUnknownWithoutOwnersOrWithAnUnreadableImage) {
    EXPECT_EQ(verdictFor({}), CallerVerdict::Unknown);
    EXPECT_EQ(verdictFor({{66, std::nullopt}}), CallerVerdict::Unknown);
    EXPECT_EQ(verdictFor({{77, L"C:\\Program Files\\Korvane\\a.exe"}, {66, std::nullopt}}),
              CallerVerdict::Unknown);
}

}  // namespace
}  // namespace korvane::service
