#include "common/version.h"

#include <gtest/gtest.h>

#include <regex>
#include <string>

namespace korvane {
namespace {

TEST(Version, IsTheProjectVersionWithAtMostTheCommitAfterIt) {
    const std::string text(versionText());
    EXPECT_TRUE(text.starts_with(KORVANE_PROJECT_VERSION)) << text;
    // Usable as it is in a file name and a version resource: no spaces, no
    // path separators, no date.
    EXPECT_TRUE(std::regex_match(text, std::regex(R"(\d+\.\d+\.\d+(\+g[0-9a-f]{7}(\.dirty)?)?)")))
        << text;
}

}  // namespace
}  // namespace korvane
