#include "runtime/singbox/ip_literal.h"

#include <algorithm>
#include <vector>

#include "common/text.h"

namespace korvane::runtime {
namespace {

std::vector<std::string_view> split(std::string_view text, char separator) {
    std::vector<std::string_view> parts;
    for (std::size_t start = 0;;) {
        const std::size_t end = text.find(separator, start);
        parts.push_back(text.substr(start, end - start));
        if (end == std::string_view::npos) {
            return parts;
        }
        start = end + 1;
    }
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

std::optional<std::array<std::uint8_t, 4>> parseIpv4(std::string_view text) {
    const std::vector<std::string_view> parts = split(text, '.');
    if (parts.size() != 4) {
        return std::nullopt;
    }
    std::array<std::uint8_t, 4> bytes{};
    for (std::size_t i = 0; i < 4; ++i) {
        const std::string_view part = parts[i];
        // A leading zero would be read as octal by some parsers: refused.
        if (part.empty() || part.size() > 3 || (part.size() > 1 && part[0] == '0')) {
            return std::nullopt;
        }
        int value = 0;
        for (char c : part) {
            if (!isDigit(c)) {
                return std::nullopt;
            }
            value = value * 10 + (c - '0');
        }
        if (value > 255) {
            return std::nullopt;
        }
        bytes[i] = static_cast<std::uint8_t>(value);
    }
    return bytes;
}

// Colon-separated groups of one to four hexadecimal digits; the last may be an
// IPv4 address (two groups) when `ipv4Tail` allows it. Empty text has none.
std::optional<std::vector<std::uint16_t>> parseGroups(std::string_view text, bool ipv4Tail) {
    std::vector<std::uint16_t> groups;
    if (text.empty()) {
        return groups;
    }
    const std::vector<std::string_view> parts = split(text, ':');
    for (std::size_t i = 0; i < parts.size(); ++i) {
        const std::string_view part = parts[i];
        if (ipv4Tail && i + 1 == parts.size() && part.find('.') != std::string_view::npos) {
            const auto ipv4 = parseIpv4(part);
            if (!ipv4) {
                return std::nullopt;
            }
            groups.push_back(static_cast<std::uint16_t>(((*ipv4)[0] << 8) | (*ipv4)[1]));
            groups.push_back(static_cast<std::uint16_t>(((*ipv4)[2] << 8) | (*ipv4)[3]));
            continue;
        }
        if (part.empty() || part.size() > 4) {
            return std::nullopt;
        }
        unsigned value = 0;
        for (char c : part) {
            const int digit = hexDigitValue(c);
            if (digit < 0) {
                return std::nullopt;
            }
            value = value * 16 + static_cast<unsigned>(digit);
        }
        groups.push_back(static_cast<std::uint16_t>(value));
    }
    return groups;
}

std::optional<std::array<std::uint16_t, 8>> parseIpv6(std::string_view text) {
    std::array<std::uint16_t, 8> groups{};
    const std::size_t gap = text.find("::");
    if (gap == std::string_view::npos) {
        const auto all = parseGroups(text, true);
        if (!all || all->size() != 8) {
            return std::nullopt;
        }
        std::copy(all->begin(), all->end(), groups.begin());
        return groups;
    }
    const auto head = parseGroups(text.substr(0, gap), false);
    const auto tail = parseGroups(text.substr(gap + 2), true);
    // "::" stands for at least one group.
    if (!head || !tail || head->size() + tail->size() > 7) {
        return std::nullopt;
    }
    std::copy(head->begin(), head->end(), groups.begin());
    std::copy(tail->begin(), tail->end(), groups.end() - static_cast<std::ptrdiff_t>(tail->size()));
    return groups;
}

std::string dotted(const std::uint8_t* bytes) {
    return std::to_string(bytes[0]) + "." + std::to_string(bytes[1]) + "." +
           std::to_string(bytes[2]) + "." + std::to_string(bytes[3]);
}

std::string hex(std::uint16_t group) {
    static constexpr char digits[] = "0123456789abcdef";
    std::string out;
    for (int shift = 12; shift >= 0; shift -= 4) {
        const unsigned digit = (group >> shift) & 0xF;
        if (!out.empty() || digit != 0 || shift == 0) {
            out.push_back(digits[digit]);
        }
    }
    return out;
}

std::string ipv6Text(const std::array<std::uint8_t, 16>& bytes) {
    std::array<std::uint16_t, 8> groups{};
    for (std::size_t i = 0; i < 8; ++i) {
        groups[i] = static_cast<std::uint16_t>((bytes[2 * i] << 8) | bytes[2 * i + 1]);
    }
    if (groups[0] == 0 && groups[1] == 0 && groups[2] == 0 && groups[3] == 0 && groups[4] == 0 &&
        groups[5] == 0xFFFF) {
        return "::ffff:" + dotted(&bytes[12]);
    }
    // The longest run of zero groups, if two or more long.
    std::size_t bestStart = 8, bestLength = 1;
    for (std::size_t i = 0; i < 8;) {
        std::size_t end = i;
        while (end < 8 && groups[end] == 0) {
            ++end;
        }
        if (end - i > bestLength) {
            bestStart = i;
            bestLength = end - i;
        }
        i = end == i ? i + 1 : end;
    }
    std::string out;
    for (std::size_t i = 0; i < 8; ++i) {
        if (i == bestStart) {
            out += "::";
            i += bestLength - 1;
            continue;
        }
        if (!out.empty() && !out.ends_with(':')) {
            out.push_back(':');
        }
        out += hex(groups[i]);
    }
    return out;
}

}  // namespace

std::optional<IpAddress> parseIpLiteral(std::string_view text) {
    IpAddress address;
    if (const auto ipv4 = parseIpv4(text)) {
        std::copy(ipv4->begin(), ipv4->end(), address.bytes.begin());
        return address;
    }
    const auto ipv6 = parseIpv6(text);
    if (!ipv6) {
        return std::nullopt;
    }
    address.v6 = true;
    for (std::size_t i = 0; i < 8; ++i) {
        address.bytes[2 * i] = static_cast<std::uint8_t>((*ipv6)[i] >> 8);
        address.bytes[2 * i + 1] = static_cast<std::uint8_t>((*ipv6)[i] & 0xFF);
    }
    return address;
}

std::string standardText(const IpAddress& address) {
    return address.v6 ? ipv6Text(address.bytes) : dotted(address.bytes.data());
}

std::string hostRoute(const IpAddress& address) {
    return standardText(address) + (address.v6 ? "/128" : "/32");
}

}  // namespace korvane::runtime
