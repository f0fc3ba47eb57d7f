#include "service/http/browser_guard.h"

#include <algorithm>
#include <optional>

#include "common/log/log_text.h"
#include "common/log/service_log.h"
#include "common/text.h"
#include "service/http/head_fields.h"

namespace korvane::service {
namespace {

bool isDigits(std::string_view text) {
    return text.find_first_not_of("0123456789") == std::string_view::npos;
}

// The host of "host", "host:port", "[v6]" or "[v6]:port" (the port may be
// empty, as URIs allow). Anything else (user information, a bare IPv6
// address, a port that is not a number) has no host, which refuses it.
std::optional<std::string_view> hostOfAuthority(std::string_view authority) {
    std::size_t hostLength = 0;
    if (authority.starts_with('[')) {
        const auto close = authority.find(']');
        if (close == std::string_view::npos) {
            return std::nullopt;
        }
        hostLength = close + 1;
    } else {
        hostLength = std::min(authority.find(':'), authority.size());
    }
    const std::string_view port = authority.substr(hostLength);
    if (!port.empty() && !(port.starts_with(':') && isDigits(port.substr(1)))) {
        return std::nullopt;
    }
    return authority.substr(0, hostLength);
}

bool isLoopbackHost(std::string_view host) {
    return equalsIgnoringAsciiCase(host, "127.0.0.1") ||
           equalsIgnoringAsciiCase(host, "localhost") || equalsIgnoringAsciiCase(host, "[::1]");
}

// "app.localhost" and the like: names under .localhost resolve to loopback.
bool isLocalhostSubdomain(std::string_view host) {
    constexpr std::string_view kSuffix = ".localhost";
    if (host.size() <= kSuffix.size() ||
        !equalsIgnoringAsciiCase(host.substr(host.size() - kSuffix.size()), kSuffix)) {
        return false;
    }
    return host.find_first_not_of(
               "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789-.") ==
           std::string_view::npos;
}

bool isAllowedHostField(std::string_view value) {
    const auto host = hostOfAuthority(value);
    return host && isLoopbackHost(*host);
}

bool isAllowedOriginField(std::string_view value) {
    if (equalsIgnoringAsciiCase(value, "null")) {
        return false;
    }
    const auto schemeEnd = value.find("://");
    if (schemeEnd == std::string_view::npos) {
        return true;  // not a web page's origin
    }
    const std::string_view scheme = value.substr(0, schemeEnd);
    if (!equalsIgnoringAsciiCase(scheme, "http") && !equalsIgnoringAsciiCase(scheme, "https")) {
        return true;
    }
    std::string_view authority = value.substr(schemeEnd + 3);
    authority = authority.substr(0, authority.find_first_of("/?#"));
    const auto host = hostOfAuthority(authority);
    return host && (isLoopbackHost(*host) || isLocalhostSubdomain(*host));
}

// The value comes from a web page: clipped, and escaped by the log.
void logRefusal(std::string_view field, std::string_view value) {
    constexpr std::size_t kLoggedValueBytes = 200;
    log::warning("Refused a browser request: " + std::string(field) + " " +
                 log::clipped(value, kLoggedValueBytes));
}

}  // namespace

Status checkRequestSource(std::string_view head) {
    const auto fields = headFields(head);
    for (const HeadField& field : fields) {
        if (equalsIgnoringAsciiCase(field.name, "Host") && !isAllowedHostField(field.value)) {
            logRefusal("Host", field.value);
            return fail("Request host not allowed");
        }
    }
    for (const HeadField& field : fields) {
        if (equalsIgnoringAsciiCase(field.name, "Origin") && !isAllowedOriginField(field.value)) {
            logRefusal("Origin", field.value);
            return fail("Request origin not allowed");
        }
    }
    return {};
}

}  // namespace korvane::service
