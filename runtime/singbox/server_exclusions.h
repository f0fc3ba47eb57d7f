#pragma once
// The addresses of the server, which must stay outside the tunnel.

#include <set>
#include <string>

namespace korvane::runtime {

// Host routes ("/32", "/128") of a normalized server host: the literal itself
// in standard form, or every address the system resolver gives for the name
// (asked with port 0), each once. Empty when the name cannot be resolved.
std::set<std::string> serverExclusions(const std::string& host);

}  // namespace korvane::runtime
