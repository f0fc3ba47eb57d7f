#pragma once
// When the endpoint has received a whole request. A client's TCP stack may
// split a request across segments, so the endpoint keeps receiving until the
// head's blank line has arrived and every body byte that a Content-Length
// header announces is there (or the buffer is full, the peer has finished
// sending, or the connection's deadline has passed).

#include <cstddef>
#include <optional>
#include <string_view>

namespace korvane::service {

// The number of bytes the request in `received` needs: the head, the blank
// line (CR LF CR LF) and the largest body length that a Content-Length header
// (name compared ignoring ASCII case) announces; a value that is not a decimal
// number announces nothing, and a value too large for std::size_t announces
// the maximum. Empty while the blank line has not arrived. The blank line is
// looked for from byte `searchFrom` on, so that a caller that received more
// bytes need not search the old ones again (pass at most the previous size
// minus 3: the blank line may straddle two receives).
std::optional<std::size_t> neededRequestLength(std::string_view received,
                                               std::size_t searchFrom = 0);

// What the head of a request tells the endpoint, once its blank line is there.
struct RequestHead {
    std::size_t headLength = 0;    // through the blank line
    std::size_t neededLength = 0;  // as neededRequestLength
    // "Expect: 100-continue" (name and value compared ignoring ASCII case): the
    // client waits for "HTTP/1.1 100 Continue" before it sends the body.
    bool expectsContinue = false;
};

// The head of the request in `received`; empty while the blank line has not
// arrived. `searchFrom` as for neededRequestLength.
std::optional<RequestHead> readRequestHead(std::string_view received, std::size_t searchFrom = 0);

bool isRequestComplete(std::string_view received);

}  // namespace korvane::service
