#include "runtime/naive/naive_config.h"

#include <nlohmann/json.hpp>

#include "common/server_host.h"

namespace korvane::runtime {

std::string percentEncode(std::string_view text) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string encoded;
    encoded.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        const bool unreserved = (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') ||
                                (byte >= '0' && byte <= '9') || byte == '-' || byte == '.' ||
                                byte == '_' || byte == '~';
        if (unreserved) {
            encoded += c;
        } else {
            encoded += '%';
            encoded += kHex[byte >> 4];
            encoded += kHex[byte & 0x0F];
        }
    }
    return encoded;
}

Result<std::string> naiveConfigText(const AccessServer& server) {
    const std::string proxy = "https://" + percentEncode(server.username) + ":" +
                              percentEncode(server.password) + "@" +
                              normaliseServerHost(server.host) + ":" + std::to_string(server.port);
    nlohmann::json config = nlohmann::json::object();
    config["listen"] = "socks://127.0.0.1:" + std::to_string(kLocalSocksPort);
    config["log"] = "";
    config["proxy"] = proxy;
    try {
        return config.dump(2);
    } catch (const nlohmann::json::exception& error) {
        return fail(error.what());
    }
}

}  // namespace korvane::runtime
