#include "service/http/http_request.h"

#include <vector>

#include "common/text.h"
#include "service/http/browser_guard.h"

namespace korvane::service {
namespace {

constexpr std::string_view kBlankLine = "\r\n\r\n";

std::string_view requestLine(std::string_view head) {
    const auto lineEnd = head.find('\n');
    if (lineEnd == std::string_view::npos) {
        return head;
    }
    std::string_view line = head.substr(0, lineEnd);
    if (line.ends_with('\r')) {
        line.remove_suffix(1);
    }
    return line;
}

}  // namespace

Result<HttpRequest> parseHttpRequest(std::string_view received) {
    if (auto error = utf8Error(received)) {
        return fail(std::move(*error));
    }
    const auto headEnd = received.find(kBlankLine);
    if (headEnd == std::string_view::npos) {
        return fail("Invalid HTTP request");
    }
    const std::string_view head = received.substr(0, headEnd);
    KORVANE_TRY(checkRequestSource(head));
    const std::vector<std::string_view> tokens = splitUnicodeWhitespace(requestLine(head));
    HttpRequest request;
    if (!tokens.empty()) {
        request.method = tokens[0];
    }
    if (tokens.size() > 1) {
        request.path = tokens[1];
    }
    request.body = received.substr(headEnd + kBlankLine.size());
    return request;
}

}  // namespace korvane::service
