#include "runtime/singbox/config_document.h"

#include <gtest/gtest.h>

namespace korvane::runtime {
namespace {

using json = nlohmann::json;

SingBoxDocumentInput fullInput() {
    SingBoxDocumentInput input;
    input.fullMode = true;
    input.interfaceName = "KorvaneTun4321";
    input.interfaceAddress = "172.19.33.109/30";
    input.serverExclusions = {"1.2.3.4/32"};
    input.serverHost = "1.2.3.4";
    input.naivePath = "C:\\K\\runtime\\naive\\naive.exe";
    input.siteDomains = {"example.com"};
    input.applications.processPaths = {"C:\\Apps\\a.exe"};
    input.applications.processNames = {"a.exe"};
    return input;
}

// The rules of a document as a list of their shapes, one text each.
std::vector<std::string> ruleTexts(const json& document) {
    std::vector<std::string> texts;
    for (const json& rule : document.at("route").at("rules")) {
        texts.push_back(rule.dump());
    }
    return texts;
}

TEST(SingBoxDocument, FullModeDocumentPrintsInKeyOrderWithTwoSpaces) {
    const Result<std::string> text = printDocument(singBoxDocument(fullInput()));
    ASSERT_TRUE(text);
    EXPECT_EQ(*text, R"({
  "dns": {
    "final": "dns-direct",
    "servers": [
      {
        "server": "1.1.1.1",
        "server_port": 53,
        "tag": "dns-direct",
        "type": "udp"
      }
    ],
    "strategy": "ipv4_only"
  },
  "inbounds": [
    {
      "address": [
        "172.19.33.109/30"
      ],
      "auto_route": true,
      "interface_name": "KorvaneTun4321",
      "route_exclude_address": [
        "1.2.3.4/32"
      ],
      "stack": "system",
      "strict_route": false,
      "tag": "tun-in",
      "type": "tun"
    }
  ],
  "log": {
    "level": "warn",
    "timestamp": true
  },
  "outbounds": [
    {
      "server": "127.0.0.1",
      "server_port": 1080,
      "tag": "proxy",
      "type": "socks",
      "version": "5"
    },
    {
      "tag": "direct",
      "type": "direct"
    },
    {
      "tag": "block",
      "type": "block"
    }
  ],
  "route": {
    "auto_detect_interface": true,
    "final": "proxy",
    "find_process": true,
    "rules": [
      {
        "outbound": "direct",
        "port": 53
      },
      {
        "network": "udp",
        "outbound": "block"
      },
      {
        "action": "sniff",
        "timeout": "1s"
      },
      {
        "outbound": "direct",
        "process_path": [
          "C:\\K\\runtime\\naive\\naive.exe"
        ]
      },
      {
        "outbound": "direct",
        "process_name": [
          "naive.exe",
          "naive"
        ]
      },
      {
        "ip_is_private": true,
        "outbound": "direct"
      },
      {
        "ip_cidr": [
          "1.2.3.4/32"
        ],
        "outbound": "direct"
      }
    ]
  }
})");
}

TEST(SingBoxDocument, SplitModeAppendsApplicationAndSiteRulesInOrder) {
    SingBoxDocumentInput input = fullInput();
    input.fullMode = false;
    input.naivePath.reset();
    input.serverHost = "example.net";
    input.applications.processPaths = {"C:\\B\\b.exe", "C:\\A\\a.exe"};
    input.applications.processNames = {"b.exe", "a.exe"};
    input.applications.pathRegexes = {"^C:\\\\A\\\\.*$"};
    input.siteDomains = {"x.org", "example.com"};

    const json document = singBoxDocument(input);

    EXPECT_EQ(document.at("route").at("final"), "direct");
    EXPECT_EQ(
        ruleTexts(document),
        (std::vector<std::string>{
            R"({"outbound":"direct","port":53})",
            R"({"action":"sniff","timeout":"1s"})",
            R"({"outbound":"direct","process_name":["naive.exe","naive"]})",
            R"({"ip_is_private":true,"outbound":"direct"})",
            R"({"domain":["example.net"],"outbound":"direct"})",
            R"({"network":"tcp","outbound":"proxy","process_path":["C:\\A\\a.exe"]})",
            R"({"network":"tcp","outbound":"proxy","process_path":["C:\\B\\b.exe"]})",
            R"({"network":"tcp","outbound":"proxy","process_name":["a.exe","b.exe"]})",
            R"({"network":"tcp","outbound":"proxy","process_path_regex":["^C:\\\\A\\\\.*$"]})",
            R"({"domain_suffix":["example.com","x.org"],"network":"tcp","outbound":"proxy"})",
            R"({"domain_suffix":["example.com","x.org"],"network":"udp","outbound":"block"})",
        }));
}

TEST(SingBoxDocument, EmptyListsLeaveRulesOutAndPrintAsEmptyArrays) {
    SingBoxDocumentInput input;
    input.interfaceName = "KorvaneTun1";
    input.interfaceAddress = "172.19.33.1/30";
    input.serverHost = "";  // an unusable host still gives the name form

    const json document = singBoxDocument(input);

    EXPECT_EQ(ruleTexts(document),
              (std::vector<std::string>{
                  R"({"outbound":"direct","port":53})",
                  R"({"outbound":"direct","process_name":["naive.exe","naive"]})",
                  R"({"ip_is_private":true,"outbound":"direct"})",
                  R"({"domain":[""],"outbound":"direct"})",
              }));
    const std::string text = *printDocument(document);
    EXPECT_NE(text.find("\"route_exclude_address\": [],"), std::string::npos);
    EXPECT_TRUE(text.ends_with("\n}"));
}

TEST(SingBoxDocument, ServerAddressKeepsItsSpellingWithTheFamilyLength) {
    SingBoxDocumentInput input = fullInput();
    input.serverHost = "2001:db8:0:0::1";
    EXPECT_EQ(ruleTexts(singBoxDocument(input)).back(),
              R"({"ip_cidr":["2001:db8:0:0::1/128"],"outbound":"direct"})");
}

TEST(SingBoxDocument, InvalidTextIsTheLibrarysPrintingError) {
    SingBoxDocumentInput input = fullInput();
    input.serverHost = "\xFF";
    const Result<std::string> text = printDocument(singBoxDocument(input));
    ASSERT_FALSE(text);
    EXPECT_NE(text.error().find("invalid UTF-8"), std::string::npos) << text.error();
}

}  // namespace
}  // namespace korvane::runtime
