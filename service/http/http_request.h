#pragma once
// Reading the bytes of one request: everything the endpoint keeps of it.

#include <string>
#include <string_view>

#include "common/result.h"

namespace korvane::service {

struct HttpRequest {
    std::string method;  // empty when the request line has no token
    std::string path;    // empty when the request line has one token only
    std::string body;    // everything after the blank line, possibly empty
};

// Reads `received`, all the bytes that arrived on one connection. Fails with
// the UTF-8 decoder's description of the first bad sequence, with "Invalid
// HTTP request" when there is no blank line (CR LF CR LF), or with the browser
// guard's message (see browser_guard.h). The request line (the head's first
// line, without the CR before its LF) is split on runs of Unicode white space;
// the first token is the method, the second the path, further ones (the
// protocol version) are ignored.
Result<HttpRequest> parseHttpRequest(std::string_view received);

}  // namespace korvane::service
