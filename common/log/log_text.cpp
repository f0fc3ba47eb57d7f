#include "common/log/log_text.h"

namespace korvane::log {

std::string escapeControlBytes(std::string_view message) {
    constexpr char kHex[] = "0123456789ABCDEF";
    std::string escaped;
    escaped.reserve(message.size());
    for (const char c : message) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            escaped += "\\x";
            escaped += kHex[byte >> 4];
            escaped += kHex[byte & 0xF];
        } else {
            escaped += c;
        }
    }
    return escaped;
}

std::string clipped(std::string_view value, std::size_t maxBytes) {
    if (value.size() <= maxBytes) {
        return std::string(value);
    }
    std::size_t end = maxBytes;
    // Back off over continuation bytes to the start of the cut sequence.
    while (end > 0 && (static_cast<unsigned char>(value[end]) & 0xC0) == 0x80) {
        --end;
    }
    return std::string(value.substr(0, end)) + "...";
}

}  // namespace korvane::log
