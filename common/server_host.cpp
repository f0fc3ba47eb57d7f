#include "common/server_host.h"

#include "common/text.h"

namespace korvane {

std::string normaliseServerHost(std::string_view host) {
    std::string_view text = trimUnicodeWhitespace(host);
    if (text.starts_with("https://")) {
        text.remove_prefix(8);
    } else if (text.starts_with("http://")) {
        text.remove_prefix(7);
    }
    text = text.substr(0, text.find('/'));
    if (const std::size_t at = text.rfind('@'); at != std::string_view::npos) {
        text.remove_prefix(at + 1);
    }
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
