// Run by with_microsocks.sh while the Linux microsocks serves 127.0.0.1:1080;
// skipped otherwise.

#include <gtest/gtest.h>

#include <cstdlib>

#include "runtime/naive/naive_runner.h"
#include "runtime/process/runtime_layout.h"
#include "tests/support/temp_tree.h"

namespace korvane::runtime {
namespace {

class OutsideSocks : public ::testing::Test {
  protected:
    void SetUp() override {
        if (std::getenv("KORVANE_OUTSIDE_SOCKS") == nullptr) {
            GTEST_SKIP() << "needs microsocks on 127.0.0.1:1080 (with_microsocks.sh)";
        }
    }
};

TEST_F(OutsideSocks, AnOutsideServerCountsAsReadyWhereItsOwnerIsUnknown) {
    EXPECT_TRUE(probeLocalSocks());
    EXPECT_TRUE(waitForLocalSocks(0, systemClock(), [] { return std::nullopt; }));
}

TEST_F(OutsideSocks, AnOutsideServerMakesThePortTaken) {
    test::TempTree tree;
    const RuntimeLayout layout(tree.root() / L"svc.exe");
    AccessServer record;
    record.host = "127.0.0.1";
    record.port = 1;
    record.protocol = "naiveproxy";
    EXPECT_EQ(startNaive(layout, record), fail("Local SOCKS5 port 1080 is already in use."));
}

}  // namespace
}  // namespace korvane::runtime
