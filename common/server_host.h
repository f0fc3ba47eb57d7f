#pragma once
// The server address of a start as the proxy program and the service log see
// it: the address alone, without the user information or the port that a
// client may have typed into the host field.

#include <string>
#include <string_view>

namespace korvane {

// The address part of a typed URL or host: without one "https://" or
// "http://" prefix, without everything from the first of `pathStarts`, and
// without user information (up to the last "@"). Case is left as it is.
std::string_view hostAuthority(std::string_view text, std::string_view pathStarts);

// White space trimmed, one "https://" or "http://" prefix, any path, user
// information and single ":port" removed, and a bare IPv6 literal put in
// brackets. May be empty.
std::string normaliseServerHost(std::string_view host);

}  // namespace korvane
