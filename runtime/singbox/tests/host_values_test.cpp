#include <gtest/gtest.h>

#include "runtime/singbox/ip_literal.h"
#include "runtime/singbox/site_domains.h"
#include "runtime/singbox/tun_interface.h"

namespace korvane::runtime {
namespace {

using Domains = std::vector<std::string>;

TEST(TunInterface, NameAndAddressFollowTheProcessId) {
    EXPECT_EQ(interfaceNameFor(4321), "KorvaneTun4321");
    EXPECT_EQ(interfaceAddressFor(4321), "172.19.33.109/30");
    EXPECT_EQ(interfaceAddressFor(160), "172.19.32.5/30");
    EXPECT_EQ(interfaceAddressFor(10240), "172.19.32.5/30");
    EXPECT_EQ(interfaceAddressFor(10079), "172.19.191.249/30");
    EXPECT_EQ(interfaceAddressFor(0), "172.19.32.1/30");
    EXPECT_EQ(interfaceNameFor(4294967295u), "KorvaneTun4294967295");
    EXPECT_EQ(interfaceAddressFor(4294967295u), "172.19.127.5/30");
}

TEST(NormalizeHost, StripsBlanksSchemePathUserInformationLeadingDotsAndPort) {
    EXPECT_EQ(normalizeHost(" HTTPS://Example.COM:8443/login?x=1 "), "example.com");
    EXPECT_EQ(normalizeHost("http://a.b#frag"), "a.b");
    EXPECT_EQ(normalizeHost("ftp://a.b"), "ftp");  // "//a.b" is cut as a path, ":" as a port
    EXPECT_EQ(normalizeHost("https://http://x"), "http");
    EXPECT_EQ(normalizeHost("...example.org"), "example.org");
    EXPECT_EQ(normalizeHost("1.2.3.4:443"), "1.2.3.4");
    EXPECT_EQ(normalizeHost("https://john:p@ss@Example.com:443/x"), "example.com");
    EXPECT_EQ(normalizeHost("john:pw@10.0.0.1"), "10.0.0.1");
    EXPECT_EQ(normalizeHost("2001:DB8::1"), "2001:db8::1");
    EXPECT_EQ(normalizeHost("[2001:DB8::1]:443"), "[2001:db8::1]:443");
    EXPECT_EQ(
        normalizeHost("\xE3\x80\x80\xD0\xAF\xD0\x9D\xD0\x94\xD0\x95\xD0\x9A\xD0\xA1.RU\xC2\xA0"),
        "\xD1\x8F\xD0\xBD\xD0\xB4\xD0\xB5\xD0\xBA\xD1\x81.ru");
    EXPECT_EQ(normalizeHost(" \t"), "");
    EXPECT_EQ(normalizeHost("https://"), "");
    EXPECT_EQ(normalizeHost("..."), "");
    EXPECT_EQ(normalizeHost(":443"), "");
}

TEST(ExpandSiteDomains, PresetListThenTheSiteEachNormalized) {
    DomainRoutingPresets presets;
    presets.domains["example.com"] = {".Cdn.Example.NET", "", "example.com"};
    presets.domains["Capital.com"] = {"never.net"};
    EXPECT_EQ(expandSiteDomains("example.com", presets),
              (Domains{"cdn.example.net", "example.com", "example.com"}));
    EXPECT_EQ(expandSiteDomains("capital.com", presets), Domains{"capital.com"});
    EXPECT_EQ(expandSiteDomains("other.org", presets), Domains{"other.org"});

    const std::set<std::string> list = siteDomainList(
        {"https://example.com/", "Example.com", " ", "/path", "Capital.com"}, presets);
    EXPECT_EQ(list, (std::set<std::string>{"capital.com", "cdn.example.net", "example.com"}));
}

TEST(IpLiteral, RecognisesOnlyBareAddresses) {
    for (const char* literal : {"1.2.3.4", "0.0.0.0", "255.255.255.255", "::", "::1", "2001:db8::1",
                                "2001:DB8:0:0:0:0:0:1", "1:2:3:4:5:6:7:8", "::ffff:1.2.3.4",
                                "64:ff9b::192.0.2.33", "1::"}) {
        EXPECT_TRUE(parseIpLiteral(literal)) << literal;
    }
    for (const char* other : {"",
                              "1.2.3",
                              "1.2.3.4.5",
                              "01.2.3.4",
                              "1.2.3.256",
                              "1.2.3.4 ",
                              "example.com",
                              "[::1]",
                              "::1%1",
                              "fe80::1%eth0",
                              "1:2:3:4:5:6:7:8:9",
                              "1:2:3:4:5:6:7::8",
                              ":::",
                              "1::2::3",
                              "12345::",
                              "::1.2.3",
                              "1.2.3.4::",
                              ":1::",
                              "1:",
                              "g::1",
                              "0x7f.0.0.1"}) {
        EXPECT_FALSE(parseIpLiteral(other)) << other;
    }
}

TEST(IpLiteral, StandardFormFollowsRfc5952) {
    const auto text = [](const char* literal) { return standardText(*parseIpLiteral(literal)); };
    EXPECT_EQ(text("2001:DB8:0:0:0:0:0:1"), "2001:db8::1");
    EXPECT_EQ(text("2001:0db8:0000:0001:0000:0000:0000:0001"), "2001:db8:0:1::1");
    EXPECT_EQ(text("2001:db8:0:0:1:0:0:1"), "2001:db8::1:0:0:1");     // first of equal runs
    EXPECT_EQ(text("2001:db8:0:1:1:1:1:1"), "2001:db8:0:1:1:1:1:1");  // one zero group stays
    EXPECT_EQ(text("0:0:0:0:0:0:0:0"), "::");
    EXPECT_EQ(text("1:0:0:0:0:0:0:0"), "1::");
    EXPECT_EQ(text("::FFFF:102:304"), "::ffff:1.2.3.4");
    EXPECT_EQ(text("::1.2.3.4"), "::102:304");
    EXPECT_EQ(hostRoute(*parseIpLiteral("10.0.0.1")), "10.0.0.1/32");
    EXPECT_EQ(hostRoute(*parseIpLiteral("2001:DB8::0001")), "2001:db8::1/128");
}

}  // namespace
}  // namespace korvane::runtime
