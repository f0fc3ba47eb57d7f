#include "runtime/records/found_description.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdint>
#include <iterator>

#include "common/text.h"

namespace korvane::runtime {
namespace {

struct CodePointRange {
    char32_t first;
    char32_t last;
};

constexpr CodePointRange escapedRanges[] = {
#include "runtime/records/escaped_ranges.inc"
};

bool isEscaped(char32_t c) {
    const auto after = std::upper_bound(
        std::begin(escapedRanges), std::end(escapedRanges), c,
        [](char32_t value, const CodePointRange& range) { return value < range.first; });
    return after != std::begin(escapedRanges) && c <= std::prev(after)->last;
}

// Plain decimal notation of the shortest round-trip digits: 1e20 is
// "100000000000000000000", 1.5e-7 is "0.00000015".
std::string plainDecimal(double value) {
    std::array<char, 64> buffer{};
    const auto written = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                       std::chars_format::scientific);
    const std::string_view scientific(buffer.data(),
                                      static_cast<std::size_t>(written.ptr - buffer.data()));
    const auto e = scientific.find('e');
    std::string_view mantissa = scientific.substr(0, e);
    std::string result;
    if (mantissa.starts_with('-')) {
        result += '-';
        mantissa.remove_prefix(1);
    }
    std::string digits;
    std::copy_if(mantissa.begin(), mantissa.end(), std::back_inserter(digits),
                 [](char c) { return c != '.'; });
    std::string_view exponentText = scientific.substr(e + 1);
    if (exponentText.starts_with('+')) {
        exponentText.remove_prefix(1);
    }
    int exponent = 0;  // scientific notation always carries one
    [[maybe_unused]] const auto parsed =
        std::from_chars(exponentText.data(), exponentText.data() + exponentText.size(), exponent);
    if (exponent < 0) {
        result += "0." + std::string(static_cast<std::size_t>(-exponent - 1), '0') + digits;
        return result;
    }
    const auto integerDigits = static_cast<std::size_t>(exponent) + 1;
    if (digits.size() <= integerDigits) {
        result += digits + std::string(integerDigits - digits.size(), '0');
    } else {
        result += digits.substr(0, integerDigits) + "." + digits.substr(integerDigits);
    }
    return result;
}

}  // namespace

std::string describeNumber(const JsonNumber& number) {
    switch (number.kind) {
        case JsonNumber::Kind::unsignedInteger:
            return "integer `" + std::to_string(number.unsignedValue) + "`";
        case JsonNumber::Kind::signedInteger:
            return "integer `" + std::to_string(number.signedValue) + "`";
        case JsonNumber::Kind::floatingPoint:
            break;
    }
    std::string text = plainDecimal(number.floatValue);
    if (text.find('.') == std::string::npos) {
        text += ".0";
    }
    return "floating point `" + text + "`";
}

std::string describeString(std::string_view value) {
    std::string out = "string \"";
    for (const char32_t c : decodeUtf8(value)) {
        switch (c) {
            case U'\0':
                out += "\\0";
                continue;
            case U'\t':
                out += "\\t";
                continue;
            case U'\r':
                out += "\\r";
                continue;
            case U'\n':
                out += "\\n";
                continue;
            case U'\\':
                out += "\\\\";
                continue;
            case U'"':
                out += "\\\"";
                continue;
            default:
                break;
        }
        if (isEscaped(c)) {
            std::array<char, 8> hex{};
            const auto written = std::to_chars(hex.data(), hex.data() + hex.size(),
                                               static_cast<std::uint32_t>(c), 16);
            out += "\\u{" + std::string(hex.data(), written.ptr) + "}";
        } else {
            appendUtf8(out, c);
        }
    }
    out += '"';
    return out;
}

}  // namespace korvane::runtime
