#include "runtime/profiles/scan_budget.h"

#include <gtest/gtest.h>

namespace korvane::runtime {
namespace {

TEST(ScanBudget, TheLimitItselfIsAllowedAndOneMoreIsNot) {
    ScanBudget budget({3, 2});
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(budget.spendFolderEntry()) << i;
    }
    EXPECT_TRUE(budget.spendExecutablePath());
    EXPECT_TRUE(budget.spendExecutablePath());
    EXPECT_FALSE(budget.exhausted());

    EXPECT_FALSE(budget.spendExecutablePath());
    EXPECT_TRUE(budget.exhausted());
    EXPECT_EQ(budget.failure(), "Too many files in the application folders to route (limit 2).");
}

TEST(ScanBudget, TheFirstCapPassedNamesTheMessageAndEverythingStopsThere) {
    ScanBudget budget({1, 5});
    EXPECT_TRUE(budget.spendFolderEntry());
    EXPECT_FALSE(budget.spendFolderEntry());
    // The other count still has room, but nothing more is read.
    EXPECT_FALSE(budget.spendExecutablePath());
    EXPECT_FALSE(budget.spendFolderEntry());
    EXPECT_EQ(budget.failure(), "Too many files in the application folders to route (limit 1).");
}

TEST(ScanBudget, DefaultsAreOneHundredThousandEntriesAndTenThousandPaths) {
    ScanBudget entries;
    for (int i = 0; i < 100'000; ++i) {
        ASSERT_TRUE(entries.spendFolderEntry()) << i;
    }
    EXPECT_FALSE(entries.spendFolderEntry());
    EXPECT_EQ(entries.failure(),
              "Too many files in the application folders to route (limit 100000).");

    ScanBudget paths;
    for (int i = 0; i < 10'000; ++i) {
        ASSERT_TRUE(paths.spendExecutablePath()) << i;
    }
    EXPECT_FALSE(paths.spendExecutablePath());
    EXPECT_EQ(paths.failure(), "Too many files in the application folders to route (limit 10000).");
}

TEST(ScanBudget, ZeroLimitRefusesTheFirst) {
    ScanBudget budget({0, 0});
    EXPECT_FALSE(budget.spendExecutablePath());
    EXPECT_EQ(budget.failure(), "Too many files in the application folders to route (limit 0).");
}

}  // namespace
}  // namespace korvane::runtime
