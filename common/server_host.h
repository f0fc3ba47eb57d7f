#pragma once
// The server address of a start as the proxy program and the service log see
// it: the address alone, without the user information or the port that a
// client may have typed into the host field.

#include <string>
#include <string_view>

namespace korvane {

// White space trimmed, one "https://" or "http://" prefix, any path, user
// information and single ":port" removed, and a bare IPv6 literal put in
// brackets. May be empty.
std::string normaliseServerHost(std::string_view host);

}  // namespace korvane
