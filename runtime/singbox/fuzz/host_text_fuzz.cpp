// Host texts come straight from the client: normalizing them, reading IP
// literals and widening sites must hold up against any bytes.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "common/text.h"
#include "runtime/singbox/ip_literal.h"
#include "runtime/singbox/site_domains.h"

using namespace korvane;
using namespace korvane::runtime;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::string host = normalizeHost(text);
    if (utf8Error(host)) {
        std::abort();  // lower-casing must give UTF-8 whatever came in
    }
    if (const auto address = parseIpLiteral(host)) {
        // The standard form reads back as the same address and is its own standard form.
        const std::string standard = standardText(*address);
        const auto again = parseIpLiteral(standard);
        if (!again || again->bytes != address->bytes || again->v6 != address->v6 ||
            standardText(*again) != standard) {
            std::abort();
        }
    }
    DomainRoutingPresets presets;
    presets.domains[host] = {std::string(text), host + "/x", ".." + host};
    for (const std::string& domain : siteDomainList({std::string(text), host}, presets)) {
        if (domain.empty()) {
            std::abort();
        }
    }
    return 0;
}
