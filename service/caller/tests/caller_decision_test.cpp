#include "service/caller/caller_decision.h"

#include <gtest/gtest.h>

namespace korvane::service {
namespace {

constexpr std::uint32_t kServicePid = 500;
constexpr wchar_t kDosRoot[] = L"\\\\?\\C:\\Program Files\\Korvane";
constexpr wchar_t kRoot[] = L"\\Device\\HarddiskVolume3\\Program Files\\Korvane";
constexpr wchar_t kClient[] = L"\\Device\\HarddiskVolume3\\Program Files\\Korvane\\Korvane.exe";
constexpr wchar_t kOutside[] = L"\\Device\\HarddiskVolume3\\Users\\eve\\tool.exe";

const TrustedPlaces kPlaces{
    kRoot,
    {L"\\Device\\HarddiskVolume3\\Program Files\\Korvane\\resources\\runtime\\naive",
     L"\\Device\\HarddiskVolume3\\Program Files\\Korvane\\resources\\runtime\\sing-box"},
    L"\\Device\\HarddiskVolume3\\Program Files\\Korvane\\resources\\runtime\\korvane_service.exe"};

CallerDecision decisionFor(std::initializer_list<CallerImage> owners) {
    return decideCaller(std::span(owners.begin(), owners.size()), kServicePid, kPlaces);
}

CallerVerdict verdictFor(std::initializer_list<CallerImage> owners) {
    return decisionFor(owners).verdict;
}

TEST(InsideFolder, AcceptsPathsBelowTheRootInAnyCaseAndForm) {
    EXPECT_TRUE(isInsideFolder(L"C:\\Program Files\\Korvane\\Korvane.exe", kDosRoot));
    EXPECT_TRUE(isInsideFolder(L"\\\\?\\c:\\PROGRAM FILES\\korvane\\resources\\x.exe", kDosRoot));
    EXPECT_TRUE(isInsideFolder(L"C:/Program Files/Korvane/a.exe", L"C:\\Program Files\\Korvane\\"));
    EXPECT_TRUE(isInsideFolder(L"\\\\?\\UNC\\srv\\share\\K\\a.exe", L"\\\\srv\\share\\K"));
}

TEST(InsideFolder, RefusesSiblingsPrefixesLookAlikesAndDotComponents) {
    EXPECT_FALSE(isInsideFolder(L"C:\\Program Files\\Korvane2\\Korvane.exe", kDosRoot));
    EXPECT_FALSE(isInsideFolder(L"C:\\Program Files\\Korvane", kDosRoot));
    EXPECT_FALSE(isInsideFolder(L"C:\\Program Files\\Korvane\\", kDosRoot));
    EXPECT_FALSE(isInsideFolder(L"D:\\Program Files\\Korvane\\a.exe", kDosRoot));
    // U+212A KELVIN SIGN folds to "k" under full Unicode case rules.
    EXPECT_FALSE(isInsideFolder(L"C:\\Program Files\\\u212Aorvane\\a.exe", kDosRoot));
    EXPECT_FALSE(isInsideFolder(L"C:\\Program Files\\Korvane\\..\\Evil\\a.exe", kDosRoot));
    EXPECT_FALSE(isInsideFolder(L"C:\\Program Files\\Korvane\\.\\a.exe", kDosRoot));
    EXPECT_FALSE(isInsideFolder(L"C:\\anything.exe", L""));
}

TEST(LocalVolume, OnlyNumberedHarddiskVolumes) {
    EXPECT_TRUE(isOnLocalVolume(L"\\device\\harddiskvolume12\\a.exe"));
    for (const wchar_t* path :
         {L"\\Device\\Mup\\host\\share\\a.exe", L"\\Device\\WebDavRedirector\\h\\a.exe",
          L"\\Device\\HarddiskVolume\\a.exe", L"\\Device\\HarddiskVolumeShadowCopy1\\a.exe",
          L"\\Device\\HarddiskVolume3", L"C:\\Korvane\\a.exe"}) {
        EXPECT_FALSE(isOnLocalVolume(path)) << path;
    }
}

TEST(TrustedImage, InsideTheRootOutsideTheProgramsFoldersAndNotTheService) {
    EXPECT_TRUE(isTrustedImage(kClient, kPlaces));
    EXPECT_TRUE(isTrustedImage(
        L"\\Device\\HarddiskVolume3\\Program Files\\Korvane\\resources\\runtime\\naive2\\a.exe",
        kPlaces));
    for (const wchar_t* path : {
             L"\\Device\\HarddiskVolume3\\Program Files\\Korvane\\resources\\runtime\\sing-box\\"
             L"sing-box.exe",
             L"\\Device\\HarddiskVolume3\\Program "
             L"Files\\Korvane\\resources\\runtime\\NAIVE\\deeper\\"
             L"x.exe",
             L"\\Device\\HarddiskVolume3\\program files\\korvane\\resources\\runtime\\"
             L"KORVANE_SERVICE.EXE",
             kOutside,
         }) {
        EXPECT_FALSE(isTrustedImage(path, kPlaces)) << path;
    }
    // The root on a share trusts nothing there: the image is not local.
    const TrustedPlaces onShare{L"\\Device\\Mup\\host\\share\\Korvane", {}, {}};
    EXPECT_FALSE(isTrustedImage(L"\\Device\\Mup\\host\\share\\Korvane\\Korvane.exe", onShare));
    // Nothing is trusted without a root.
    EXPECT_FALSE(isTrustedImage(kClient, TrustedPlaces{}));
}

TEST(DecideCaller, TrustsInstalledProgramsAndNamesTheOwner) {
    const CallerDecision decision = decisionFor({{kServicePid, std::nullopt}, {77, kClient}});
    EXPECT_EQ(decision.verdict, CallerVerdict::Trusted);
    ASSERT_TRUE(decision.owner);
    EXPECT_EQ(decision.owner->pid, 77u);
}

TEST(DecideCaller, RefusesAnyOwnerFromElsewhereWhateverElseIsFound) {
    EXPECT_EQ(verdictFor({{66, kOutside}}), CallerVerdict::Refused);
    const CallerDecision mixed = decisionFor({{77, kClient}, {66, std::nullopt}, {67, kOutside}});
    EXPECT_EQ(mixed.verdict, CallerVerdict::Refused);
    ASSERT_TRUE(mixed.owner);
    EXPECT_EQ(mixed.owner->pid, 67u);
    EXPECT_EQ(mixed.owner->image, kOutside);
    // The service's own executable run as another process vouches for nothing.
    EXPECT_EQ(verdictFor({{68, kPlaces.serviceImage}}), CallerVerdict::Refused);
}

TEST(DecideCaller, IsUnknownWithoutOwnersOtherThanTheServiceOrWithAnUnreadableImage) {
    EXPECT_EQ(decisionFor({}).owner, std::nullopt);
    EXPECT_EQ(verdictFor({}), CallerVerdict::Unknown);
    const CallerDecision onlyService = decisionFor({{kServicePid, kPlaces.serviceImage}});
    EXPECT_EQ(onlyService.verdict, CallerVerdict::Unknown);
    EXPECT_EQ(onlyService.owner, std::nullopt);
    const CallerDecision unreadable = decisionFor({{77, kClient}, {66, std::nullopt}});
    EXPECT_EQ(unreadable.verdict, CallerVerdict::Unknown);
    ASSERT_TRUE(unreadable.owner);
    EXPECT_EQ(unreadable.owner->pid, 66u);
}

}  // namespace
}  // namespace korvane::service
