#include "service/http/request_completeness.h"

#include <algorithm>
#include <limits>

#include "common/text.h"
#include "service/http/head_fields.h"

namespace korvane::service {
namespace {

constexpr std::string_view kBlankLine = "\r\n\r\n";

// Zero for anything but a plain decimal number; saturates instead of wrapping.
std::size_t announcedLength(std::string_view value) {
    if (value.empty() || value.find_first_not_of("0123456789") != std::string_view::npos) {
        return 0;
    }
    constexpr std::size_t kMax = std::numeric_limits<std::size_t>::max();
    std::size_t length = 0;
    for (const char digit : value) {
        const auto d = static_cast<std::size_t>(digit - '0');
        if (length > (kMax - d) / 10) {
            return kMax;
        }
        length = length * 10 + d;
    }
    return length;
}

}  // namespace

std::optional<RequestHead> readRequestHead(std::string_view received, std::size_t searchFrom) {
    if (searchFrom > received.size()) {
        return std::nullopt;
    }
    const auto headEnd = received.find(kBlankLine, searchFrom);
    if (headEnd == std::string_view::npos) {
        return std::nullopt;
    }
    RequestHead head;
    head.headLength = headEnd + kBlankLine.size();
    std::size_t bodyLength = 0;
    for (const HeadField& field : headFields(received.substr(0, headEnd))) {
        if (equalsIgnoringAsciiCase(field.name, "Content-Length")) {
            bodyLength = std::max(bodyLength, announcedLength(field.value));
        } else if (equalsIgnoringAsciiCase(field.name, "Expect") &&
                   equalsIgnoringAsciiCase(field.value, "100-continue")) {
            head.expectsContinue = true;
        }
    }
    head.neededLength = bodyLength > std::numeric_limits<std::size_t>::max() - head.headLength
                            ? std::numeric_limits<std::size_t>::max()
                            : head.headLength + bodyLength;
    return head;
}

std::optional<std::size_t> neededRequestLength(std::string_view received, std::size_t searchFrom) {
    const auto head = readRequestHead(received, searchFrom);
    if (!head) {
        return std::nullopt;
    }
    return head->neededLength;
}

bool isRequestComplete(std::string_view received) {
    const auto needed = neededRequestLength(received);
    return needed && received.size() >= *needed;
}

}  // namespace korvane::service
