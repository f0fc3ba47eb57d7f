#include "runtime/profiles/built_in_profiles.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

namespace korvane::runtime {
namespace {

TEST(BuiltInProfiles, TextIsTheTwoSpacePrettyFormWithIdFirstAndAFinalLineBreak) {
    const std::string_view text = builtInProfilesText();
    EXPECT_EQ(text.size(), 4072u);
    const auto document = nlohmann::ordered_json::parse(text);
    EXPECT_EQ(document.dump(2) + "\n", text);
    const std::vector<std::string> keys{"id",
                                        "matchProcessNames",
                                        "matchPathContains",
                                        "includeProcessNames",
                                        "includeAppDirectoryExecutables",
                                        "includeResourcesAppExecutables",
                                        "includeAppDirectoryRegex",
                                        "includeResourcesDirectoryRegex"};
    std::vector<std::string> ids;
    for (const auto& profile : document.at("profiles")) {
        std::vector<std::string> profileKeys;
        for (const auto& [key, value] : profile.items()) {
            profileKeys.push_back(key);
        }
        EXPECT_EQ(profileKeys, keys);
        ids.push_back(profile.at("id").get<std::string>());
    }
    EXPECT_EQ(ids, (std::vector<std::string>{"vscode", "yandex-browser", "telegram", "whatsapp",
                                             "discord", "signal", "viber", "spotify"}));
}

TEST(BuiltInProfiles, LoadReadsAllEightWithEscapesAndFlags) {
    const std::vector<ApplicationRoutingProfile> profiles = loadBuiltInProfiles();
    ASSERT_EQ(profiles.size(), 8u);
    const ApplicationRoutingProfile& yandex = profiles[1];
    EXPECT_EQ(yandex.matchPathContains,
              (std::vector<std::string>{"YandexBrowser", "Yandex\\YandexBrowser"}));
    EXPECT_TRUE(yandex.includeAppDirectoryExecutables);
    EXPECT_FALSE(yandex.includeResourcesAppExecutables);
    EXPECT_TRUE(yandex.includeAppDirectoryRegex);
    EXPECT_FALSE(yandex.includeResourcesDirectoryRegex);
    EXPECT_EQ(profiles[0].includeProcessNames.size(), 21u);  // vscode
    EXPECT_TRUE(profiles[2].includeProcessNames.empty());    // telegram
}

}  // namespace
}  // namespace korvane::runtime
