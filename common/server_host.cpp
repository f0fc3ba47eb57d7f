#include "common/server_host.h"

#include "common/text.h"

namespace korvane {

std::string_view hostAuthority(std::string_view text, std::string_view pathStarts) {
    if (text.starts_with("https://")) {
        text.remove_prefix(8);
    } else if (text.starts_with("http://")) {
        text.remove_prefix(7);
    }
    text = text.substr(0, text.find_first_of(pathStarts));
    // N.B. User information is no part of the address: left in, a password
    // would be written where the host goes, and "user:pass@host" would read
    // as the host "user" with a port.
    if (const std::size_t at = text.rfind('@'); at != std::string_view::npos) {
        text.remove_prefix(at + 1);
    }
    return text;
}

std::string normaliseServerHost(std::string_view host) {
    std::string_view text = hostAuthority(trimUnicodeWhitespace(host), "/");
    // One colon separates a port; more make an IPv6 literal.
    if (const std::size_t colon = text.find(':');
        colon != std::string_view::npos && text.find(':', colon + 1) == std::string_view::npos) {
        text = text.substr(0, colon);
    }
    if (text.find(':') != std::string_view::npos && !text.starts_with('[') &&
        !text.ends_with(']')) {
        return "[" + std::string(text) + "]";
    }
    return std::string(text);
}

}  // namespace korvane
