#include "common/text.h"

#include <cstdint>

namespace korvane {
namespace {

bool isContinuation(unsigned char b) {
    return (b & 0xC0) == 0x80;
}

// Length of the well-formed sequence starting at `i`, or the failure as
// (valid prefix length, error length) where error length 0 means "incomplete".
struct Step {
    std::size_t length;    // > 0 when well formed
    std::size_t errorLen;  // 0 = incomplete at end of input
};

Step step(std::string_view s, std::size_t i) {
    const auto b = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char first = b(i);
    if (first < 0x80) {
        return {1, 0};
    }
    std::size_t width = 0;
    if (first >= 0xC2 && first <= 0xDF) {
        width = 2;
    } else if (first >= 0xE0 && first <= 0xEF) {
        width = 3;
    } else if (first >= 0xF0 && first <= 0xF4) {
        width = 4;
    } else {
        return {0, 1};
    }
    if (i + 1 >= s.size()) {
        return {0, 0};
    }
    const unsigned char second = b(i + 1);
    bool secondOk = false;
    switch (width) {
        case 2:
            secondOk = isContinuation(second);
            break;
        case 3:
            secondOk = (first == 0xE0)   ? (second >= 0xA0 && second <= 0xBF)
                       : (first == 0xED) ? (second >= 0x80 && second <= 0x9F)
                                         : isContinuation(second);
            break;
        default:
            secondOk = (first == 0xF0)   ? (second >= 0x90 && second <= 0xBF)
                       : (first == 0xF4) ? (second >= 0x80 && second <= 0x8F)
                                         : isContinuation(second);
    }
    if (!secondOk) {
        return {0, 1};
    }
    for (std::size_t k = 2; k < width; ++k) {
        if (i + k >= s.size()) {
            return {0, 0};
        }
        if (!isContinuation(b(i + k))) {
            return {0, k};
        }
    }
    return {width, 0};
}

char32_t decodeAt(std::string_view s, std::size_t i, std::size_t len) {
    const auto b = [&](std::size_t k) { return static_cast<unsigned char>(s[i + k]); };
    switch (len) {
        case 1:
            return b(0);
        case 2:
            return ((b(0) & 0x1Fu) << 6) | (b(1) & 0x3Fu);
        case 3:
            return ((b(0) & 0x0Fu) << 12) | ((b(1) & 0x3Fu) << 6) | (b(2) & 0x3Fu);
        default:
            return ((b(0) & 0x07u) << 18) | ((b(1) & 0x3Fu) << 12) | ((b(2) & 0x3Fu) << 6) |
                   (b(3) & 0x3Fu);
    }
}

// Decodes leniently: each maximal bad subsequence becomes one U+FFFD.
std::u32string decodeLossy(std::string_view s) {
    std::u32string out;
    std::size_t i = 0;
    while (i < s.size()) {
        const Step st = step(s, i);
        if (st.length > 0) {
            out.push_back(decodeAt(s, i, st.length));
            i += st.length;
        } else {
            out.push_back(U'\uFFFD');
            i += st.errorLen == 0 ? s.size() - i : st.errorLen;
        }
    }
    return out;
}

}  // namespace

std::optional<std::string> utf8Error(std::string_view bytes) {
    std::size_t i = 0;
    while (i < bytes.size()) {
        const Step st = step(bytes, i);
        if (st.length == 0) {
            if (st.errorLen == 0) {
                return "incomplete utf-8 byte sequence from index " + std::to_string(i);
            }
            return "invalid utf-8 sequence of " + std::to_string(st.errorLen) +
                   " bytes from index " + std::to_string(i);
        }
        i += st.length;
    }
    return std::nullopt;
}

std::u32string decodeUtf8(std::string_view text) {
    return decodeLossy(text);
}

void appendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (c >> 18)));
        out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

std::string encodeUtf8(std::u32string_view codePoints) {
    std::string out;
    out.reserve(codePoints.size());
    for (char32_t c : codePoints) {
        appendUtf8(out, c);
    }
    return out;
}

namespace {

// UTF-8 from UTF-16 or UTF-32 code units: surrogate pairs are joined, unpaired
// surrogates and values beyond U+10FFFF become U+FFFD and set `replaced`.
template <typename Unit>
std::string unitsToUtf8(std::basic_string_view<Unit> text, bool& replaced) {
    std::string out;
    out.reserve(text.size());
    replaced = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto u = static_cast<char32_t>(text[i]);
        const auto next = i + 1 < text.size() ? static_cast<char32_t>(text[i + 1]) : 0;
        if (u >= 0xD800 && u <= 0xDBFF && next >= 0xDC00 && next <= 0xDFFF) {
            appendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (next - 0xDC00));
            ++i;
        } else if ((u >= 0xD800 && u <= 0xDFFF) || u > 0x10FFFF) {
            appendUtf8(out, U'\uFFFD');
            replaced = true;
        } else {
            appendUtf8(out, u);
        }
    }
    return out;
}

// UTF-16 code units (surrogate pairs beyond U+FFFF) or UTF-32 ones from UTF-8.
template <typename Unit>
std::basic_string<Unit> utf8ToUnits(std::string_view text) {
    std::basic_string<Unit> out;
    out.reserve(text.size());
    for (char32_t c : decodeLossy(text)) {
        if (sizeof(Unit) == 2 && c >= 0x10000) {
            c -= 0x10000;
            out.push_back(static_cast<Unit>(0xD800 + (c >> 10)));
            out.push_back(static_cast<Unit>(0xDC00 + (c & 0x3FF)));
        } else {
            out.push_back(static_cast<Unit>(c));
        }
    }
    return out;
}

}  // namespace

std::string utf16ToUtf8(std::u16string_view text) {
    bool replaced = false;
    return unitsToUtf8(text, replaced);
}

std::u16string utf8ToUtf16(std::string_view text) {
    return utf8ToUnits<char16_t>(text);
}

std::wstring widen(std::string_view utf8) {
    return utf8ToUnits<wchar_t>(utf8);
}

std::string narrow(std::wstring_view wide) {
    bool replaced = false;
    return unitsToUtf8(wide, replaced);
}

std::optional<std::string> strictNarrow(std::wstring_view wide) {
    bool replaced = false;
    std::string text = unitsToUtf8(wide, replaced);
    if (replaced) {
        return std::nullopt;
    }
    return text;
}

bool isUnicodeWhitespace(char32_t c) {
    return (c >= 0x09 && c <= 0x0D) || c == 0x20 || c == 0x85 || c == 0xA0 || c == 0x1680 ||
           (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 || c == 0x202F ||
           c == 0x205F || c == 0x3000;
}

namespace {

// Code point at `i` and its byte length; bad bytes count as one non-space unit.
std::pair<char32_t, std::size_t> codePointAt(std::string_view s, std::size_t i) {
    const Step st = step(s, i);
    if (st.length == 0) {
        return {U'\uFFFD', 1};
    }
    return {decodeAt(s, i, st.length), st.length};
}

}  // namespace

std::string_view trimUnicodeWhitespace(std::string_view text) {
    std::size_t begin = 0;
    while (begin < text.size()) {
        const auto [c, len] = codePointAt(text, begin);
        if (!isUnicodeWhitespace(c)) {
            break;
        }
        begin += len;
    }
    std::size_t end = begin;
    for (std::size_t i = begin; i < text.size();) {
        const auto [c, len] = codePointAt(text, i);
        i += len;
        if (!isUnicodeWhitespace(c)) {
            end = i;
        }
    }
    return text.substr(begin, end - begin);
}

std::vector<std::string_view> splitUnicodeWhitespace(std::string_view text) {
    std::vector<std::string_view> tokens;
    std::size_t tokenStart = std::string_view::npos;
    std::size_t i = 0;
    while (i < text.size()) {
        const auto [c, len] = codePointAt(text, i);
        if (isUnicodeWhitespace(c)) {
            if (tokenStart != std::string_view::npos) {
                tokens.push_back(text.substr(tokenStart, i - tokenStart));
                tokenStart = std::string_view::npos;
            }
        } else if (tokenStart == std::string_view::npos) {
            tokenStart = i;
        }
        i += len;
    }
    if (tokenStart != std::string_view::npos) {
        tokens.push_back(text.substr(tokenStart));
    }
    return tokens;
}

std::string asciiLower(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        c = asciiLowerChar(c);
    }
    return out;
}

namespace {

template <typename Char>
bool equalsIgnoringAsciiCaseIn(std::basic_string_view<Char> a, std::basic_string_view<Char> b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (asciiLowerChar(a[i]) != asciiLowerChar(b[i])) {
            return false;
        }
    }
    return true;
}

}  // namespace

bool equalsIgnoringAsciiCase(std::string_view a, std::string_view b) {
    return equalsIgnoringAsciiCaseIn(a, b);
}

bool equalsIgnoringAsciiCase(std::wstring_view a, std::wstring_view b) {
    return equalsIgnoringAsciiCaseIn(a, b);
}

int hexDigitValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

}  // namespace korvane
