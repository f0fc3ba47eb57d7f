#include "common/unicode_case.h"

#include <algorithm>
#include <cstdint>
#include <iterator>

#include "common/text.h"

namespace korvane {
namespace {

struct LowerRun {
    char32_t first;
    char32_t last;
    std::int32_t delta;
    std::uint32_t stride;
};

struct SpecialLower {
    char32_t from;
    std::size_t length;
    char32_t to[3];
};

struct CodeRange {
    char32_t first;
    char32_t last;
};

#include "common/unicode_case_table.inc"

constexpr char32_t kCapitalSigma = 0x03A3;
constexpr char32_t kSmallSigma = 0x03C3;
constexpr char32_t kFinalSigma = 0x03C2;

template <typename Range, std::size_t N>
const Range* rangeHolding(const Range (&table)[N], char32_t c) {
    // The last range that starts at or before c.
    const Range* after = std::upper_bound(std::begin(table), std::end(table), c,
                                          [](char32_t v, const Range& r) { return v < r.first; });
    if (after == std::begin(table)) {
        return nullptr;
    }
    const Range* range = after - 1;
    return c <= range->last ? range : nullptr;
}

bool isCased(char32_t c) {
    return rangeHolding(kCased, c) != nullptr;
}
bool isCaseIgnorable(char32_t c) {
    return rangeHolding(kCaseIgnorable, c) != nullptr;
}

const SpecialLower* specialLower(char32_t c) {
    for (const SpecialLower& special : kSpecialLower) {
        if (special.from == c) {
            return &special;
        }
    }
    return nullptr;
}

char32_t simpleLower(char32_t c) {
    const LowerRun* run = rangeHolding(kLowerRuns, c);
    if (run == nullptr || (c - run->first) % run->stride != 0) {
        return c;
    }
    return static_cast<char32_t>(static_cast<std::int64_t>(c) + run->delta);
}

// Whether, looking from `from` in one direction past any case-ignorable
// characters, the next character is cased. A character that is both (such as
// U+0345) is skipped as case-ignorable, the reading that the widespread
// implementations of the rule share.
template <typename Iterator>
bool casedLetterBeyondIgnorables(Iterator from, Iterator end) {
    while (from != end && isCaseIgnorable(*from)) {
        ++from;
    }
    return from != end && isCased(*from);
}

// Final_Sigma: a cased letter (then case-ignorables) before, and no cased
// letter (after case-ignorables) behind.
bool endsWord(const std::u32string& text, std::size_t at) {
    const auto before = std::make_reverse_iterator(text.begin() + static_cast<std::ptrdiff_t>(at));
    const auto after = text.begin() + static_cast<std::ptrdiff_t>(at) + 1;
    return casedLetterBeyondIgnorables(before, text.rend()) &&
           !casedLetterBeyondIgnorables(after, text.end());
}

}  // namespace

std::string unicodeLower(std::string_view utf8) {
    const std::u32string text = decodeUtf8(utf8);
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char32_t c = text[i];
        if (c < 0x80) {
            out.push_back(static_cast<char>(asciiLowerChar(c)));
        } else if (c == kCapitalSigma) {
            appendUtf8(out, endsWord(text, i) ? kFinalSigma : kSmallSigma);
        } else if (const SpecialLower* special = specialLower(c)) {
            for (std::size_t k = 0; k < special->length; ++k) {
                appendUtf8(out, special->to[k]);
            }
        } else {
            appendUtf8(out, simpleLower(c));
        }
    }
    return out;
}

}  // namespace korvane
