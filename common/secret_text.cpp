#include "common/secret_text.h"

#include "common/server_host.h"

namespace korvane {
namespace {

constexpr std::string_view kSchemeEnd = "://";
constexpr std::string_view kServerPrefix = "Server ";
constexpr std::string_view kUnreachableEnd = " is unreachable.";
constexpr std::string_view kPayloadTypeError = "Invalid server payload: invalid type: ";
constexpr std::string_view kExpectedString = ", expected a string";

bool endsUserinfo(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte <= 0x20 || byte == 0x7F || c == '"' || c == '\'' || c == '`' || c == '<' ||
           c == '>';
}

// "Server <host>:<port> is unreachable." from the first "Server " to the last
// ending after it: the span that a host holding either text cannot shorten.
std::string withNormalisedServerHost(std::string_view message) {
    const std::size_t start = message.find(kServerPrefix);
    const std::size_t end = message.rfind(kUnreachableEnd);
    if (start == std::string_view::npos || end == std::string_view::npos ||
        end < start + kServerPrefix.size()) {
        return std::string(message);
    }
    const std::size_t hostStart = start + kServerPrefix.size();
    const std::size_t colon = message.rfind(':', end);
    if (colon == std::string_view::npos || colon < hostStart || colon + 1 == end ||
        message.substr(colon + 1, end - colon - 1).find_first_not_of("0123456789") !=
            std::string_view::npos) {
        return std::string(message);
    }
    return std::string(message.substr(0, hostStart)) +
           normaliseServerHost(message.substr(hostStart, colon - hostStart)) +
           std::string(message.substr(colon));
}

std::string withoutQuotedPayloadValue(std::string message) {
    const std::size_t error = message.find(kPayloadTypeError);
    if (error == std::string::npos) {
        return message;
    }
    const std::size_t open = message.find('`', error + kPayloadTypeError.size());
    const std::size_t close =
        open == std::string::npos ? std::string::npos : message.find('`', open + 1);
    if (close == std::string::npos ||
        message.compare(close + 1, kExpectedString.size(), kExpectedString) != 0) {
        return message;
    }
    return message.replace(open + 1, close - open - 1, "***");
}

}  // namespace

std::string withoutUrlUserinfo(std::string_view text, std::string_view replacement) {
    std::string out;
    out.reserve(text.size());
    std::size_t done = 0;
    for (std::size_t scheme = text.find(kSchemeEnd); scheme != std::string_view::npos;
         scheme = text.find(kSchemeEnd, done)) {
        const std::size_t start = scheme + kSchemeEnd.size();
        std::size_t stop = start;
        while (stop < text.size() && !endsUserinfo(text[stop])) {
            ++stop;
        }
        const std::size_t at = text.substr(start, stop - start).rfind('@');
        out.append(text.substr(done, start - done));
        if (at == std::string_view::npos) {
            done = start;
            continue;
        }
        if (!replacement.empty()) {
            out.append(replacement);
            out += '@';
        }
        done = start + at + 1;
    }
    out.append(text.substr(done));
    return out;
}

std::string withUserinfoMasked(std::string_view value) {
    if (value.find(kSchemeEnd) != std::string_view::npos) {
        return withoutUrlUserinfo(value, "***");
    }
    const std::size_t at = value.rfind('@');
    if (at == std::string_view::npos || value.find('\\') != std::string_view::npos) {
        return std::string(value);
    }
    return "***" + std::string(value.substr(at));
}

std::string withoutSecrets(std::string_view message) {
    return withoutUrlUserinfo(withoutQuotedPayloadValue(withNormalisedServerHost(message)), "");
}

}  // namespace korvane
