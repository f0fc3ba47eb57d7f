#include "runtime/singbox/config_builder.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "common/text.h"
#include "common/windows_path.h"
#include "runtime/process/runtime_layout.h"
#include "runtime/singbox/tun_interface.h"
#include "tests/support/file_content.h"
#include "tests/support/temp_tree.h"

namespace korvane::runtime {
namespace {

using json = nlohmann::json;
using Texts = std::vector<std::string>;

StoredAppSettings settingsFor(std::string mode, std::vector<StoredApplication> apps = {},
                              std::vector<std::string> sites = {}) {
    StoredAppSettings settings;
    settings.mode = std::move(mode);
    settings.apps = std::move(apps);
    settings.sites = std::move(sites);
    return settings;
}

class SingBoxConfig : public ::testing::Test {
  protected:
    // Builds, checks the result record, and returns the written document.
    json build(const StoredAppSettings& settings, std::string_view host) {
        const Result<SingBoxConfigResult> result = buildSingBoxConfig(layout_, settings, host);
        EXPECT_TRUE(result) << result.error();
        if (!result) {
            return {};
        }
        const std::uint32_t pid = ::GetCurrentProcessId();
        EXPECT_EQ(result->configPath, tree_.path(L"svc\\data\\sing-box\\tun.json"));
        EXPECT_EQ(result->interfaceName, interfaceNameFor(pid));
        EXPECT_EQ(result->address, interfaceAddressFor(pid));
        text_ = test::readFile(result->configPath).value_or("");
        return json::parse(text_);
    }

    static Texts rules(const json& document) {
        Texts texts;
        for (const json& rule : document.at("route").at("rules")) {
            texts.push_back(rule.dump());
        }
        return texts;
    }

    static json excluded(const json& document) {
        return document.at("inbounds").at(0).at("route_exclude_address");
    }

    test::TempTree tree_;
    const RuntimeLayout layout_{tree_.path(L"svc\\korvane_service.exe")};
    std::string text_;
};

TEST_F(SingBoxConfig, FullModeBlocksUdpAndSendsTheRestToTheProxy) {
    const std::wstring app = tree_.file(L"Discord\\app-1.0.9\\Discord.exe");
    const json document =
        build(settingsFor("full", {{"Discord", narrow(app), ""}}), " 1.2.3.4:8443 ");

    EXPECT_EQ(document.at("route").at("final"), "proxy");
    EXPECT_EQ(excluded(document), json::array({"1.2.3.4/32"}));
    EXPECT_EQ(
        rules(document),
        (Texts{R"({"outbound":"direct","port":53})", R"({"network":"udp","outbound":"block"})",
               R"({"outbound":"direct","process_name":["naive.exe","naive"]})",
               R"({"ip_is_private":true,"outbound":"direct"})",
               R"({"ip_cidr":["1.2.3.4/32"],"outbound":"direct"})"}));
    EXPECT_EQ(document.at("inbounds").at(0).at("interface_name"),
              interfaceNameFor(::GetCurrentProcessId()));
    EXPECT_EQ(document.dump(2), text_);  // key order, two spaces, no final line break
    EXPECT_FALSE(text_.ends_with("\n"));
}

TEST_F(SingBoxConfig, SplitModeRoutesChosenApplicationsAndExcludesNaiveByPath) {
    const std::wstring naive = tree_.file(L"svc\\runtime\\naive\\naive.exe");
    const std::wstring app = tree_.file(L"Tools\\tool.exe");
    tree_.file(L"Tools\\other.exe");  // no profile matches: not listed

    const json document = build(settingsFor("Full", {{"Tool", narrow(app), ""}}), "localhost");

    EXPECT_EQ(document.at("route").at("final"), "direct");
    const json naivePath = json::array({narrow(naive)});
    const json appPath = json::array({narrow(app)});
    EXPECT_EQ(
        rules(document),
        (Texts{
            R"({"outbound":"direct","port":53})",
            json{{"outbound", "direct"}, {"process_path", naivePath}}.dump(),
            R"({"outbound":"direct","process_name":["naive.exe","naive"]})",
            R"({"ip_is_private":true,"outbound":"direct"})",
            R"({"domain":["localhost"],"outbound":"direct"})",
            json{{"network", "tcp"}, {"outbound", "proxy"}, {"process_path", appPath}}.dump(),
            R"({"network":"tcp","outbound":"proxy","process_name":["Tool","Tool.exe","tool","tool.exe"]})"}));
}

TEST_F(SingBoxConfig, SitesAreWidenedByPresetsUnlessThePresetsFileIsMalformed) {
    const std::string presets =
        R"({"domains": {"example.com": [".Cdn.Example.NET", ""], "Capital.com": ["never.net"]}})";
    tree_.folder(L"svc\\data");
    const StoredAppSettings settings =
        settingsFor("split", {}, {"https://example.com/", "Capital.com", " ", "EXAMPLE.com"});
    const std::string sitesTcp = R"("network":"tcp","outbound":"proxy"})";

    test::writeFile(tree_.path(L"svc\\data\\domain-presets.json"), presets);
    Texts withPresets = rules(build(settings, "localhost"));
    ASSERT_EQ(withPresets.size(), 7u);
    EXPECT_EQ(withPresets[1], R"({"action":"sniff","timeout":"1s"})");
    EXPECT_EQ(withPresets[5],
              R"({"domain_suffix":["capital.com","cdn.example.net","example.com"],)" + sitesTcp);
    EXPECT_EQ(
        withPresets[6],
        R"({"domain_suffix":["capital.com","cdn.example.net","example.com"],"network":"udp","outbound":"block"})");

    // A byte-order mark makes the file unreadable as presets; the sites stay.
    test::writeFile(tree_.path(L"svc\\data\\domain-presets.json"), "\xEF\xBB\xBF" + presets);
    Texts withBom = rules(build(settings, "localhost"));
    ASSERT_EQ(withBom.size(), 7u);
    EXPECT_EQ(withBom[5], R"({"domain_suffix":["capital.com","example.com"],)" + sitesTcp);

    test::writeFile(tree_.path(L"svc\\data\\domain-presets.json"),
                    "{\"domains\": {\"a\": [\"\xFF\"]}}");
    EXPECT_EQ(rules(build(settings, "localhost"))[5],
              R"({"domain_suffix":["capital.com","example.com"],)" + sitesTcp);
}

TEST_F(SingBoxConfig, PresetsFileOverOneMebibyteCountsAsUnreadable) {
    const std::string presets = R"({"domains": {"example.com": ["cdn.example.net"]}})";
    tree_.folder(L"svc\\data");
    const StoredAppSettings settings = settingsFor("split", {}, {"example.com"});
    const auto sitesRule = [&](std::size_t size) {
        std::string padded = presets;
        padded.resize(size, ' ');  // white space after the document
        test::writeFile(tree_.path(L"svc\\data\\domain-presets.json"), padded);
        return rules(build(settings, "localhost")).at(5);
    };
    EXPECT_EQ(
        sitesRule(1024 * 1024),
        R"({"domain_suffix":["cdn.example.net","example.com"],"network":"tcp","outbound":"proxy"})");
    EXPECT_EQ(sitesRule(1024 * 1024 + 1),
              R"({"domain_suffix":["example.com"],"network":"tcp","outbound":"proxy"})");
}

TEST_F(SingBoxConfig, ServerHostsResolveToEachAddressOnce) {
    const json local = build(settingsFor("full"), " HTTPS://LocalHost/path");
    EXPECT_EQ(rules(local).back(), R"({"domain":["localhost"],"outbound":"direct"})");
    const json addresses = excluded(local);
    ASSERT_FALSE(addresses.empty());
    for (const json& address : addresses) {
        EXPECT_TRUE(address == "127.0.0.1/32" || address == "::1/128") << address;
    }

    const json v6 = build(settingsFor("full"), "2001:DB8:0:0::1");
    EXPECT_EQ(excluded(v6), json::array({"2001:db8::1/128"}));
    EXPECT_EQ(rules(v6).back(), R"({"ip_cidr":["2001:db8:0:0::1/128"],"outbound":"direct"})");

    const json unresolvable = build(settingsFor("full"), "korvane-test.invalid");
    EXPECT_EQ(excluded(unresolvable), json::array());
    EXPECT_NE(text_.find("\"route_exclude_address\": [],"), std::string::npos);
    EXPECT_EQ(rules(unresolvable).back(),
              R"({"domain":["korvane-test.invalid"],"outbound":"direct"})");
}

TEST_F(SingBoxConfig, ReplacesAnEarlierFileWhole) {
    tree_.folder(L"svc\\data\\sing-box");
    test::writeFile(tree_.path(L"svc\\data\\sing-box\\tun.json"), std::string(100000, 'x'));
    build(settingsFor("full"), "1.2.3.4");
    EXPECT_TRUE(text_.ends_with("}"));
}

TEST_F(SingBoxConfig, ApplicationFoldersPastTheLimitsFailAndWriteNothing) {
    const std::wstring app = tree_.file(L"Discord\\app-1.0.9\\Discord.exe");
    tree_.file(L"Discord\\app-1.0.9\\helper.exe");
    const std::vector<StoredApplication> apps{{"Discord", narrow(app), ""}};

    EXPECT_EQ(buildSingBoxConfig(layout_, settingsFor("split", apps), "1.2.3.4", {100, 1}),
              fail("Too many files in the application folders to route (limit 1)."));
    EXPECT_FALSE(std::filesystem::exists(tree_.path(L"svc\\data\\sing-box\\tun.json")));
    // Full mode reads no folder.
    EXPECT_TRUE(buildSingBoxConfig(layout_, settingsFor("full", apps), "1.2.3.4", {0, 0}));
}

TEST_F(SingBoxConfig, FolderOrFileThatCannotBeWrittenFailsWithTheSystemText) {
    tree_.folder(L"svc");
    test::writeFile(tree_.path(L"svc\\data"), "a file where the data folder belongs");
    const Result<SingBoxConfigResult> noFolder =
        buildSingBoxConfig(layout_, settingsFor("full"), "1.2.3.4");
    ASSERT_FALSE(noFolder);
    EXPECT_TRUE(noFolder.error().ends_with("(os error 183)")) << noFolder.error();

    std::filesystem::remove(tree_.path(L"svc\\data"));
    tree_.folder(L"svc\\data\\sing-box\\tun.json");  // a folder where the file belongs
    const Result<SingBoxConfigResult> noFile =
        buildSingBoxConfig(layout_, settingsFor("full"), "1.2.3.4");
    ASSERT_FALSE(noFile);
    EXPECT_TRUE(noFile.error().ends_with("(os error 5)")) << noFile.error();
}

}  // namespace
}  // namespace korvane::runtime
