#include "runtime/profiles/profile_matching.h"

#include <gtest/gtest.h>

#include "runtime/profiles/built_in_profiles.h"

namespace korvane::runtime {
namespace {

class ProfileMatching : public testing::Test {
  protected:
    // The positions of the matching built-in profiles.
    std::vector<std::size_t> match(std::wstring_view path) const {
        std::vector<std::size_t> positions;
        for (const ApplicationRoutingProfile* profile : matchingProfiles(path, profiles_)) {
            positions.push_back(static_cast<std::size_t>(profile - profiles_.data()));
        }
        return positions;
    }

    const std::vector<ApplicationRoutingProfile> profiles_ = loadBuiltInProfiles();
};

using Positions = std::vector<std::size_t>;
constexpr std::size_t kVscode = 0, kYandex = 1, kTelegram = 2, kDiscord = 4, kSignal = 5;

TEST_F(ProfileMatching, MatchesByFileNameOrStemIgnoringAsciiCase) {
    EXPECT_EQ(match(L"D:\\Tools\\CODE.EXE"), Positions{kVscode});
    EXPECT_EQ(match(L"D:\\Tools\\code.bin"), Positions{kVscode});  // by stem
    EXPECT_EQ(match(L"D:\\Tools\\Telegram Desktop.exe"), Positions{kTelegram});
    EXPECT_EQ(match(L"D:\\Tools\\Codex.exe"), Positions{});
}

TEST_F(ProfileMatching, MatchesByPathPartInUnicodeLowerCase) {
    EXPECT_EQ(match(L"C:\\Users\\u\\AppData\\Local\\Discord\\app-1.0.9\\Discord.exe"),
              Positions{kDiscord});
    EXPECT_EQ(match(L"C:\\PROGRAM FILES\\MICROSOFT VS CODE\\bin\\x.exe"), Positions{kVscode});
    EXPECT_EQ(match(L"C:\\Users\\u\\AppData\\Local\\Yandex\\YandexBrowser\\Application\\x.exe"),
              Positions{kYandex});
    // Several profiles may match one application; they come in list order.
    EXPECT_EQ(match(L"C:\\Signal\\Telegram.exe"), (Positions{kTelegram, kSignal}));
}

TEST(ProfileMatchingCustom, LowerCasesPathPartsBeyondAscii) {
    ApplicationRoutingProfile profile;
    profile.matchPathContains = {"\xC3\x84PP"};  // ÄPP
    const std::vector<ApplicationRoutingProfile> profiles{profile};
    EXPECT_EQ(matchingProfiles(L"C:\\\u00C4pp\\x.exe", profiles).size(), 1u);
    EXPECT_EQ(matchingProfiles(L"C:\\App\\x.exe", profiles).size(), 0u);
    profile.matchPathContains = {""};  // an empty part occurs everywhere
    EXPECT_EQ(matchingProfiles(L"C:\\App\\x.exe", {profile}).size(), 1u);
}

}  // namespace
}  // namespace korvane::runtime
