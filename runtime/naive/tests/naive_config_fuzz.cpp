// The configuration text for any host and credentials: no crash; encoded
// credentials hold only unreserved bytes and "%XX" escapes; a UTF-8 host
// always gives a document; what the logs write of the server holds no user
// information.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "common/secret_text.h"
#include "common/server_host.h"
#include "common/text.h"
#include "runtime/naive/naive_config.h"

namespace {

bool unreserved(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '.' || c == '_' || c == '~';
}

bool upperHex(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
}

bool wellEncoded(std::string_view encoded) {
    for (std::size_t i = 0; i < encoded.size(); ++i) {
        if (encoded[i] == '%') {
            if (i + 2 >= encoded.size() || !upperHex(encoded[i + 1]) || !upperHex(encoded[i + 2])) {
                return false;
            }
            i += 2;
        } else if (!unreserved(encoded[i])) {
            return false;
        }
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // host \n username \n password
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t first = input.find('\n');
    const std::size_t second =
        first == std::string_view::npos ? first : input.find('\n', first + 1);
    if (second == std::string_view::npos) {
        return 0;
    }
    korvane::runtime::AccessServer server;
    server.host = input.substr(0, first);
    server.username = input.substr(first + 1, second - first - 1);
    server.password = input.substr(second + 1);
    server.port = 443;

    if (!wellEncoded(korvane::runtime::percentEncode(server.username)) ||
        !wellEncoded(korvane::runtime::percentEncode(server.password))) {
        std::abort();
    }
    // What the service log and the diagnostics write of the server: no user
    // information, whatever the host field and the credentials hold.
    const std::string host = korvane::normaliseServerHost(server.host);
    const std::string proxy = "https://" + korvane::runtime::percentEncode(server.username) + ":" +
                              korvane::runtime::percentEncode(server.password) + "@" + host +
                              ":443";
    if (korvane::withUserinfoMasked(proxy) != "https://***@" + host + ":443" ||
        korvane::withoutSecrets("Start failed: Server " + server.host + ":443 is unreachable.")
                .find('@') != std::string::npos) {
        std::abort();
    }
    const auto text = korvane::runtime::naiveConfigText(server);
    if (!korvane::utf8Error(server.host) && !text) {
        std::abort();
    }
    return 0;
}
