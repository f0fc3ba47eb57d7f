// What is written of a start where people read it: the server address alone,
// and no user information or quoted password.

#include "common/secret_text.h"

#include <gtest/gtest.h>

#include "common/server_host.h"

namespace korvane {
namespace {

TEST(NormaliseServerHost, StripsEverythingAroundTheAddress) {
    EXPECT_EQ(normaliseServerHost(" https://someone:pw@Vpn.Example.com:8443/some/path "),
              "Vpn.Example.com");
    EXPECT_EQ(normaliseServerHost("http://vpn1/"), "vpn1");
    EXPECT_EQ(normaliseServerHost("vpn1:8443"), "vpn1");
    EXPECT_EQ(normaliseServerHost("a@b@vpn1"), "vpn1");
    EXPECT_EQ(normaliseServerHost("\xE2\x80\x83vpn1\xC2\xA0"), "vpn1");
    // One prefix at most, and case-sensitive.
    EXPECT_EQ(normaliseServerHost("https://http://vpn1"), "http");
    EXPECT_EQ(normaliseServerHost("HTTPS://vpn1"), "HTTPS");
    EXPECT_EQ(normaliseServerHost(""), "");
    EXPECT_EQ(normaliseServerHost("https:///path"), "");
}

TEST(NormaliseServerHost, BracketsBareIpv6Literals) {
    EXPECT_EQ(normaliseServerHost("2001:db8::1"), "[2001:db8::1]");
    EXPECT_EQ(normaliseServerHost("[2001:db8::1]"), "[2001:db8::1]");
    EXPECT_EQ(normaliseServerHost("https://[2001:db8::1]/x"), "[2001:db8::1]");
    EXPECT_EQ(normaliseServerHost("::1"), "[::1]");
}

TEST(WithoutUrlUserinfo, TakesTheUserinfoOfEveryUrlWhole) {
    EXPECT_EQ(withoutUrlUserinfo("a https://u:p@h:443 b socks://x@y", ""),
              "a https://h:443 b socks://y");
    EXPECT_EQ(withoutUrlUserinfo(R"({"proxy": "https://u%3A:p/w@d@h:8443"})", "***"),
              R"({"proxy": "https://***@h:8443"})");
    EXPECT_EQ(withoutUrlUserinfo("line https://u:p@h\n@next", ""), "line https://h\n@next");
    EXPECT_EQ(withoutUrlUserinfo("https://h/ :// @ x://", ""), "https://h/ :// @ x://");
}

TEST(WithUserinfoMasked, MasksUrlsAndHostsButNoPaths) {
    EXPECT_EQ(withUserinfoMasked("https://u%20x:p%40w@h:443"), "https://***@h:443");
    EXPECT_EQ(withUserinfoMasked("u:p@vpn.example:443"), "***@vpn.example:443");
    EXPECT_EQ(withUserinfoMasked("vpn.example"), "vpn.example");
    EXPECT_EQ(withUserinfoMasked("C:\\Users\\a@b\\app.exe"), "C:\\Users\\a@b\\app.exe");
}

// The plain cases go through the request log's tests; these are the edges.
TEST(WithoutSecrets, KeepsToTheMessagesThatQuoteSecrets) {
    // A host holding either text of the message does not shorten the span.
    EXPECT_EQ(withoutSecrets("Server u:Server p:1 is unreachable.@h:80 is unreachable."),
              "Server h:80 is unreachable.");
    EXPECT_EQ(withoutSecrets("Invalid server payload: invalid type: boolean `true`, expected a "
                             "string at line 1 column 9"),
              "Invalid server payload: invalid type: boolean `***`, expected a string at line 1 "
              "column 9");
    // Neither a port's message nor an unreachable host without a port is one.
    for (const char* message :
         {"Invalid server payload: invalid value: integer `70000`, expected u16 at line 1 column 9",
          "Server h is unreachable."}) {
        EXPECT_EQ(withoutSecrets(message), message);
    }
}

}  // namespace
}  // namespace korvane
