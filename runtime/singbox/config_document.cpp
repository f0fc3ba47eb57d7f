#include "runtime/singbox/config_document.h"

#include "runtime/naive/local_socks_port.h"
#include "runtime/singbox/ip_literal.h"

namespace korvane::runtime {
namespace {

using json = nlohmann::json;

constexpr int kDnsPort = 53;

json array(const std::set<std::string>& values) {
    json out = json::array();
    for (const std::string& value : values) {
        out.push_back(value);
    }
    return out;
}

json serverRule(const std::string& host) {
    if (!parseIpLiteral(host)) {
        return {{"domain", json::array({host})}, {"outbound", "direct"}};
    }
    // The host's own spelling, which the exclusion list writes in standard form.
    const char* length = host.find(':') != std::string::npos ? "/128" : "/32";
    return {{"ip_cidr", json::array({host + length})}, {"outbound", "direct"}};
}

void appendSplitRules(const SingBoxDocumentInput& input, json& rules) {
    const ApplicationLists& apps = input.applications;
    for (const std::string& path : apps.processPaths) {
        rules.push_back(
            {{"network", "tcp"}, {"outbound", "proxy"}, {"process_path", json::array({path})}});
    }
    if (!apps.processNames.empty()) {
        rules.push_back({{"network", "tcp"},
                         {"outbound", "proxy"},
                         {"process_name", array(apps.processNames)}});
    }
    if (!apps.pathRegexes.empty()) {
        rules.push_back({{"network", "tcp"},
                         {"outbound", "proxy"},
                         {"process_path_regex", array(apps.pathRegexes)}});
    }
    if (!input.siteDomains.empty()) {
        rules.push_back({{"domain_suffix", array(input.siteDomains)},
                         {"network", "tcp"},
                         {"outbound", "proxy"}});
        rules.push_back({{"domain_suffix", array(input.siteDomains)},
                         {"network", "udp"},
                         {"outbound", "block"}});
    }
}

json routeRules(const SingBoxDocumentInput& input) {
    json rules = json::array();
    rules.push_back({{"outbound", "direct"}, {"port", kDnsPort}});
    if (input.fullMode) {
        rules.push_back({{"network", "udp"}, {"outbound", "block"}});
    }
    if (!input.siteDomains.empty()) {
        rules.push_back({{"action", "sniff"}, {"timeout", "1s"}});
    }
    if (input.naivePath) {
        rules.push_back(
            {{"outbound", "direct"}, {"process_path", json::array({*input.naivePath})}});
    }
    rules.push_back(
        {{"outbound", "direct"}, {"process_name", json::array({"naive.exe", "naive"})}});
    rules.push_back({{"ip_is_private", true}, {"outbound", "direct"}});
    rules.push_back(serverRule(input.serverHost));
    if (!input.fullMode) {
        appendSplitRules(input, rules);
    }
    return rules;
}

}  // namespace

json singBoxDocument(const SingBoxDocumentInput& input) {
    const json tun = {
        {"address", json::array({input.interfaceAddress})},
        {"auto_route", true},
        {"interface_name", input.interfaceName},
        {"route_exclude_address", array(input.serverExclusions)},
        {"stack", "system"},
        {"strict_route", false},
        {"tag", "tun-in"},
        {"type", "tun"},
    };
    const json dnsServer = {
        {"server", "1.1.1.1"}, {"server_port", kDnsPort}, {"tag", "dns-direct"}, {"type", "udp"}};
    return {
        {"dns",
         {{"final", "dns-direct"},
          {"servers", json::array({dnsServer})},
          {"strategy", "ipv4_only"}}},
        {"inbounds", json::array({tun})},
        {"log", {{"level", "warn"}, {"timestamp", true}}},
        {"outbounds", json::array({
                          {{"server", "127.0.0.1"},
                           {"server_port", kLocalSocksPort},
                           {"tag", "proxy"},
                           {"type", "socks"},
                           {"version", "5"}},
                          {{"tag", "direct"}, {"type", "direct"}},
                          {{"tag", "block"}, {"type", "block"}},
                      })},
        {"route",
         {{"auto_detect_interface", true},
          {"final", input.fullMode ? "proxy" : "direct"},
          {"find_process", true},
          {"rules", routeRules(input)}}},
    };
}

Result<std::string> printDocument(const nlohmann::json& document) {
    try {
        return document.dump(2);
    } catch (const json::exception& error) {
        return fail(error.what());
    }
}

}  // namespace korvane::runtime
