// The diagnostics report's text: the bound on its logs and what it leaves out
// of the files it quotes.

#include "service/host/diagnostics_text.h"

#include <gtest/gtest.h>

namespace korvane::service {
namespace {

using Sizes = std::vector<std::uint64_t>;
using Shares = std::vector<std::size_t>;

TEST(DiagnosticsText, LogsShareTheBudgetSmallOnesWhole) {
    EXPECT_EQ(logShares({10, 0, 30}, 100), (Shares{10, 0, 30}));
    EXPECT_EQ(logShares({500, 10, 40 << 20}, 100), (Shares{45, 10, 45}));
    const Shares shares = logShares({40ull << 30, 1 << 20, 16 << 20}, 31 << 20);
    EXPECT_EQ(shares, (Shares{15 << 20, 1 << 20, 15 << 20}));
}

TEST(DiagnosticsText, ACutLogKeepsItsNewestWholeLinesAndSaysSo) {
    EXPECT_EQ(newestLines("one\ntwo\nthree\n", 100), "one\ntwo\nthree\n");
    EXPECT_EQ(newestLines("one\ntwo\nthree\n", 10), "three\n");
    EXPECT_EQ(newestLines("one long line", 5), "");

    const LogExcerpt log{"naive.log", 1000, "tail of a line\nsecond\nthird\n", true};
    EXPECT_EQ(quotedLog(log, 7),
              "--- naive.log, 1000 bytes; only the newest 6 bytes follow, the older part is left "
              "out to keep this report under 32 MiB ---\nthird\n");
    EXPECT_EQ(quotedLog({"service.log", 4, "last", false}, 100),
              "--- service.log, 4 bytes ---\nlast\n");
}

TEST(DiagnosticsText, QuotedFilesHoldNoSecret) {
    EXPECT_EQ(reportedText("a https://u:hunter2@h:443\n"
                           "Start failed: Server u:hunter2@h:443 is unreachable.\r\n\xff"),
              "a https://h:443\nStart failed: Server h:443 is unreachable.\r\n\xEF\xBF\xBD");
    const auto config = maskedJsonFile(
        R"({"listen":"socks://127.0.0.1:1080","log":"","proxy":"https://u:p%40ss@h:443"})");
    ASSERT_TRUE(config) << config.error();
    EXPECT_EQ(*config,
              "{\n  \"listen\": \"socks://127.0.0.1:1080\",\n  \"log\": \"\",\n  \"proxy\": "
              "\"https://***@h:443\"\n}\n");
    const auto tun = maskedJsonFile(R"({"route":{"rules":[{"domain":["u:p@h"],"port":[1]}]}})");
    ASSERT_TRUE(tun) << tun.error();
    EXPECT_EQ(tun->find("u:p"), std::string::npos) << *tun;
    EXPECT_EQ(maskedJsonFile(R"({"proxy":"https://u:p@h)"), fail("not valid JSON, left out"));
}

}  // namespace
}  // namespace korvane::service
