#pragma once
// Keeps web pages from driving the service. A browser lets any page send a
// cross-site POST with a text/plain body without asking first, and DNS
// rebinding gets a page past the same-origin rule; but a browser always names
// the host it believes it talks to in Host, and the page's origin in Origin.
// The desktop client, curl and raw sockets either send no such header or name
// the loopback host, so they are unaffected.

#include <string_view>

#include "common/result.h"

namespace korvane::service {

// Checks the header fields of a request head (the bytes before the blank
// line). Fails with "Request host not allowed" when a Host header names a
// host other than 127.0.0.1, localhost or [::1] (with any port, the host
// compared ignoring ASCII case), otherwise with "Request origin not allowed"
// when an Origin header is "null" or an http or https origin whose host is not
// one of those three or a name ending in ".localhost". A refusal is logged
// with the offending value.
Status checkRequestSource(std::string_view head);

}  // namespace korvane::service
