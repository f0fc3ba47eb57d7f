#include "runtime/records/json_reader.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <system_error>

#include <nlohmann/json.hpp>

#include "common/text.h"
#include "runtime/records/found_description.h"

namespace korvane::runtime {
namespace {

bool isJsonWhitespace(char c) {
    return c == ' ' || c == '\n' || c == '\t' || c == '\r';
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// Whether a number text that is too large or too small for a double is too
// large: its leading significant digit stands at a power of ten >= 0 after the
// exponent is applied. Only asked once the conversion reported "out of range".
bool overflows(std::string_view number) {
    std::size_t i = number.starts_with('-') ? 1 : 0;
    std::int64_t leadingPower = 0;
    bool seenDigit = false;
    std::int64_t integerDigits = 0;
    for (; i < number.size() && isDigit(number[i]); ++i) {
        if (seenDigit || number[i] != '0') {
            seenDigit = true;
            ++integerDigits;
        }
    }
    if (seenDigit) {
        leadingPower = integerDigits - 1;
    } else {
        std::int64_t zeros = 0;
        if (i < number.size() && number[i] == '.') {
            for (++i; i < number.size() && number[i] == '0'; ++i) {
                ++zeros;
            }
        }
        leadingPower = -(zeros + 1);
    }
    const auto e = number.find_first_of("eE");
    std::int64_t exponent = 0;
    if (e != std::string_view::npos) {
        std::size_t k = e + 1;
        const bool negativeExponent = k < number.size() && number[k] == '-';
        if (k < number.size() && (number[k] == '-' || number[k] == '+')) {
            ++k;
        }
        constexpr std::int64_t cap = 1'000'000'000'000;  // far beyond any double
        for (; k < number.size(); ++k) {
            exponent = std::min(cap, exponent * 10 + (number[k] - '0'));
        }
        if (negativeExponent) {
            exponent = -exponent;
        }
    }
    return leadingPower + exponent >= 0;
}

constexpr std::string_view eofInString = "EOF while parsing a string";
constexpr std::string_view eofInValue = "EOF while parsing a value";

}  // namespace

std::optional<char> JsonReader::peekSignificant() {
    while (index_ < text_.size() && isJsonWhitespace(text_[index_])) {
        ++index_;
    }
    if (index_ == text_.size()) {
        return std::nullopt;
    }
    return text_[index_];
}

std::string JsonReader::messageAt(std::string_view description, std::size_t consumed) const {
    const std::string_view before = text_.substr(0, consumed);
    const auto lastBreak = before.rfind('\n');
    const std::size_t lineStart = lastBreak == std::string_view::npos ? 0 : lastBreak + 1;
    const auto line = 1 + std::count(before.begin(), before.begin() + lineStart, '\n');
    std::string message(description);
    message +=
        " at line " + std::to_string(line) + " column " + std::to_string(consumed - lineStart);
    return message;
}

std::string JsonReader::errorHere(std::string_view description) const {
    return messageAt(description, index_);
}

std::string JsonReader::errorAtPeek(std::string_view description) const {
    return messageAt(description, std::min(text_.size(), index_ + 1));
}

Result<JsonReader::NestingScope> JsonReader::enterNested() {
    if (remainingDepth_ == 1) {
        return fail(errorAtPeek("recursion limit exceeded"));
    }
    --remainingDepth_;
    return NestingScope(*this);
}

Result<std::string> JsonReader::readStringBody() {
    std::string value;
    std::size_t runStart = index_;
    while (true) {
        if (index_ == text_.size()) {
            return fail(errorHere(eofInString));
        }
        const char c = text_[index_];
        if (c == '"') {
            value.append(text_.substr(runStart, index_ - runStart));
            ++index_;
            // Raw bytes are copied as they are, so the text itself may carry
            // invalid UTF-8 that no later printing could handle.
            if (utf8Error(value)) {
                return fail(errorHere("invalid unicode code point"));
            }
            return value;
        }
        if (c == '\\') {
            value.append(text_.substr(runStart, index_ - runStart));
            ++index_;
            KORVANE_TRY(readEscape(value));
            runStart = index_;
            continue;
        }
        ++index_;
        if (static_cast<unsigned char>(c) < 0x20) {
            return fail(
                errorHere("control character (\\u0000-\\u001F) found while parsing a string"));
        }
    }
}

Status JsonReader::readEscape(std::string& out) {
    if (index_ == text_.size()) {
        return fail(errorHere(eofInString));
    }
    switch (text_[index_++]) {
        case '"':
            out += '"';
            break;
        case '\\':
            out += '\\';
            break;
        case '/':
            out += '/';
            break;
        case 'b':
            out += '\b';
            break;
        case 'f':
            out += '\f';
            break;
        case 'n':
            out += '\n';
            break;
        case 'r':
            out += '\r';
            break;
        case 't':
            out += '\t';
            break;
        case 'u':
            return readUnicodeEscape(out);
        default:
            return fail(errorHere("invalid escape"));
    }
    return {};
}

Result<std::uint16_t> JsonReader::readHexQuad() {
    if (text_.size() - index_ < 4) {
        index_ = text_.size();
        return fail(errorHere(eofInString));
    }
    std::uint16_t value = 0;
    for (int i = 0; i < 4; ++i) {
        const int digit = hexDigitValue(text_[index_++]);
        if (digit < 0) {
            return fail(errorHere("invalid escape"));
        }
        value = static_cast<std::uint16_t>(value * 16 + digit);
    }
    return value;
}

// \uXXXX, where a leading surrogate must be followed at once by the escape of
// a trailing one: a lone surrogate is no character and could not be printed.
Status JsonReader::readUnicodeEscape(std::string& out) {
    KORVANE_TRY_ASSIGN(const std::uint16_t first, readHexQuad());
    if (first >= 0xDC00 && first <= 0xDFFF) {
        return fail(errorHere("lone leading surrogate in hex escape"));
    }
    if (first < 0xD800 || first > 0xDBFF) {
        appendUtf8(out, first);
        return {};
    }
    for (const char expected : {'\\', 'u'}) {
        if (index_ == text_.size()) {
            return fail(errorHere(eofInString));
        }
        if (text_[index_++] != expected) {
            return fail(errorHere("unexpected end of hex escape"));
        }
    }
    KORVANE_TRY_ASSIGN(const std::uint16_t second, readHexQuad());
    if (second < 0xDC00 || second > 0xDFFF) {
        return fail(errorHere("lone leading surrogate in hex escape"));
    }
    appendUtf8(out, 0x10000 + ((char32_t{first} - 0xD800) << 10) + (second - 0xDC00));
    return {};
}

Status JsonReader::readLiteralRest(std::string_view rest) {
    for (const char expected : rest) {
        if (index_ == text_.size()) {
            return fail(errorHere(eofInValue));
        }
        if (text_[index_++] != expected) {
            return fail(errorHere("expected ident"));
        }
    }
    return {};
}

Result<JsonNumber> JsonReader::readNumber(bool negative) {
    const std::size_t start = negative ? index_ - 1 : index_;
    if (index_ == text_.size()) {
        return fail(errorHere(eofInValue));
    }
    const char first = text_[index_++];
    if (first == '0') {
        if (index_ < text_.size() && isDigit(text_[index_])) {
            return fail(errorAtPeek("invalid number"));
        }
        return readNumberTail(negative, start, 0, false);
    }
    if (!isDigit(first)) {
        return fail(errorHere("invalid number"));
    }
    std::uint64_t significand = static_cast<std::uint64_t>(first - '0');
    constexpr std::uint64_t max = std::numeric_limits<std::uint64_t>::max();
    while (index_ < text_.size() && isDigit(text_[index_])) {
        const auto digit = static_cast<std::uint64_t>(text_[index_] - '0');
        if (significand > (max - digit) / 10) {
            // Beyond 64 bits the integer is read as floating point.
            while (index_ < text_.size() && isDigit(text_[index_])) {
                ++index_;
            }
            return readNumberTail(negative, start, 0, true);
        }
        significand = significand * 10 + digit;
        ++index_;
    }
    return readNumberTail(negative, start, significand, false);
}

// After the integer digits: an optional fraction and exponent. `beyond64Bits`:
// the integer part did not fit 64 bits.
Result<JsonNumber> JsonReader::readNumberTail(bool negative, std::size_t start,
                                              std::uint64_t significand, bool beyond64Bits) {
    const bool hasFraction = index_ < text_.size() && text_[index_] == '.';
    if (hasFraction) {
        KORVANE_TRY(readFraction());
    }
    const bool hasExponent =
        index_ < text_.size() && (text_[index_] == 'e' || text_[index_] == 'E');
    if (hasExponent) {
        KORVANE_TRY(readExponent());
    }
    constexpr std::uint64_t minMagnitude = std::uint64_t{1} << 63;
    if (hasFraction || hasExponent || beyond64Bits ||
        (negative && (significand == 0 || significand > minMagnitude))) {
        // -0 and negative integers below the 64-bit range are floating point.
        return floatNumber(start);
    }
    JsonNumber number;
    if (negative) {
        number.kind = JsonNumber::Kind::signedInteger;
        number.signedValue = static_cast<std::int64_t>(0 - significand);
    } else {
        number.unsignedValue = significand;
    }
    return number;
}

Status JsonReader::readFraction() {
    ++index_;  // '.'
    const std::size_t digitsStart = index_;
    while (index_ < text_.size() && isDigit(text_[index_])) {
        ++index_;
    }
    if (index_ == digitsStart) {
        return fail(errorAtPeek(index_ < text_.size() ? "invalid number" : eofInValue));
    }
    return {};
}

Status JsonReader::readExponent() {
    ++index_;  // 'e' or 'E'
    if (index_ < text_.size() && (text_[index_] == '+' || text_[index_] == '-')) {
        ++index_;
    }
    if (index_ == text_.size()) {
        return fail(errorHere(eofInValue));
    }
    if (!isDigit(text_[index_++])) {
        return fail(errorHere("invalid number"));
    }
    while (index_ < text_.size() && isDigit(text_[index_])) {
        ++index_;
    }
    return {};
}

Result<JsonNumber> JsonReader::floatNumber(std::size_t start) const {
    const std::string_view digits = text_.substr(start, index_ - start);
    JsonNumber number;
    number.kind = JsonNumber::Kind::floatingPoint;
    const auto converted =
        std::from_chars(digits.data(), digits.data() + digits.size(), number.floatValue);
    if (converted.ec == std::errc::result_out_of_range || std::isinf(number.floatValue)) {
        if (overflows(digits)) {
            return fail(errorHere("number out of range"));
        }
        number.floatValue = digits.starts_with('-') ? -0.0 : 0.0;
    }
    return number;
}

Result<bool> JsonReader::nextElement(bool first) {
    const auto next = peekSignificant();
    if (!next) {
        return fail(errorAtPeek("EOF while parsing a list"));
    }
    if (*next == ']') {
        return false;
    }
    if (first) {
        return true;
    }
    if (*next != ',') {
        return fail(errorAtPeek("expected `,` or `]`"));
    }
    consume();
    const auto afterComma = peekSignificant();
    if (!afterComma) {
        return fail(errorAtPeek(eofInValue));
    }
    if (*afterComma == ']') {
        return fail(errorAtPeek("trailing comma"));
    }
    return true;
}

Status JsonReader::finishArray() {
    const auto next = peekSignificant();
    if (!next) {
        return fail(errorAtPeek("EOF while parsing a list"));
    }
    if (*next == ']') {
        consume();
        return {};
    }
    if (*next == ',') {
        // More elements than wanted: point at the first extra one.
        consume();
        if (peekSignificant() == ']') {
            return fail(errorAtPeek("trailing comma"));
        }
    }
    return fail(errorAtPeek("trailing characters"));
}

Result<bool> JsonReader::nextKey(bool first) {
    auto next = peekSignificant();
    if (!next) {
        return fail(errorAtPeek("EOF while parsing an object"));
    }
    if (*next == '}') {
        return false;
    }
    if (!first) {
        if (*next != ',') {
            return fail(errorAtPeek("expected `,` or `}`"));
        }
        consume();
        next = peekSignificant();
    }
    if (!next) {
        return fail(errorAtPeek(eofInValue));
    }
    if (*next == '"') {
        consume();
        return true;
    }
    return fail(errorAtPeek(*next == '}' ? "trailing comma" : "key must be a string"));
}

Status JsonReader::readColon() {
    const auto next = peekSignificant();
    if (!next) {
        return fail(errorAtPeek("EOF while parsing an object"));
    }
    if (*next != ':') {
        return fail(errorAtPeek("expected `:`"));
    }
    consume();
    return {};
}

Status JsonReader::finishObject() {
    const auto next = peekSignificant();
    if (!next) {
        return fail(errorAtPeek("EOF while parsing an object"));
    }
    if (*next == '}') {
        consume();
        return {};
    }
    return fail(errorAtPeek(*next == ',' ? "trailing comma" : "trailing characters"));
}

// The loop under both containers: `next(first)` tells whether another item
// follows and `finish` consumes the closing bracket or brace.
Status JsonReader::readContainer(Result<bool> (JsonReader::*next)(bool),
                                 Status (JsonReader::*finish)(),
                                 const std::function<Status()>& item) {
    KORVANE_TRY_ASSIGN(const NestingScope nesting, enterNested());
    consume();
    for (bool first = true;; first = false) {
        KORVANE_TRY_ASSIGN(const bool more, (this->*next)(first));
        if (!more) {
            break;
        }
        KORVANE_TRY(item());
    }
    return (this->*finish)();
}

Status JsonReader::forEachElement(const std::function<Status()>& element) {
    return readContainer(&JsonReader::nextElement, &JsonReader::finishArray, element);
}

Status JsonReader::forEachMember(const std::function<Status(std::string key)>& member) {
    return readContainer(&JsonReader::nextKey, &JsonReader::finishObject, [&]() -> Status {
        KORVANE_TRY_ASSIGN(std::string key, readStringBody());
        return member(std::move(key));
    });
}

// What the value in front of the cursor is: a scalar is read, so that the
// cursor stands after its last byte; an array or object is only seen.
struct JsonReader::ScannedValue {
    enum class Kind { null, boolean, number, string, array, object };
    Kind kind = Kind::null;
    bool boolean = false;
    JsonNumber number;
    std::string string;
};

Result<JsonReader::ScannedValue> JsonReader::scanValue() {
    const auto next = peekSignificant();
    if (!next) {
        return fail(errorAtPeek(eofInValue));
    }
    using Kind = ScannedValue::Kind;
    ScannedValue value;
    switch (*next) {
        case 'n':
            consume();
            KORVANE_TRY(readLiteralRest("ull"));
            value.kind = Kind::null;
            return value;
        case 't':
        case 'f':
            consume();
            value.kind = Kind::boolean;
            value.boolean = *next == 't';
            KORVANE_TRY(readLiteralRest(value.boolean ? "rue" : "alse"));
            return value;
        case '"': {
            consume();
            value.kind = Kind::string;
            KORVANE_TRY_ASSIGN(value.string, readStringBody());
            return value;
        }
        case '[':
            value.kind = Kind::array;
            return value;
        case '{':
            value.kind = Kind::object;
            return value;
        default:
            break;
    }
    const bool negative = *next == '-';
    if (!negative && !isDigit(*next)) {
        return fail(errorAtPeek("expected value"));
    }
    if (negative) {
        consume();
    }
    value.kind = Kind::number;
    KORVANE_TRY_ASSIGN(value.number, readNumber(negative));
    return value;
}

Status JsonReader::readValue(nlohmann::json* out) {
    KORVANE_TRY_ASSIGN(ScannedValue value, scanValue());
    using Kind = ScannedValue::Kind;
    if (value.kind == Kind::array) {
        return readArrayValue(out);
    }
    if (value.kind == Kind::object) {
        return readObjectValue(out);
    }
    if (!out) {
        return {};
    }
    switch (value.kind) {
        case Kind::boolean:
            *out = value.boolean;
            break;
        case Kind::string:
            *out = std::move(value.string);
            break;
        case Kind::number:
            switch (value.number.kind) {
                case JsonNumber::Kind::unsignedInteger:
                    *out = value.number.unsignedValue;
                    break;
                case JsonNumber::Kind::signedInteger:
                    *out = value.number.signedValue;
                    break;
                case JsonNumber::Kind::floatingPoint:
                    *out = value.number.floatValue;
                    break;
            }
            break;
        default:
            *out = nullptr;
    }
    return {};
}

Status JsonReader::readArrayValue(nlohmann::json* out) {
    if (out) {
        *out = nlohmann::json::array();
    }
    return forEachElement([&]() -> Status {
        nlohmann::json element;
        KORVANE_TRY(readValue(out ? &element : nullptr));
        if (out) {
            out->push_back(std::move(element));
        }
        return {};
    });
}

Status JsonReader::readObjectValue(nlohmann::json* out) {
    if (out) {
        *out = nlohmann::json::object();
    }
    return forEachMember([&](std::string key) -> Status {
        KORVANE_TRY(readColon());
        nlohmann::json member;
        KORVANE_TRY(readValue(out ? &member : nullptr));
        if (out) {
            (*out)[key] = std::move(member);  // a repeated key keeps its last value
        }
        return {};
    });
}

std::string JsonReader::invalidType(std::string_view wanted) {
    auto value = scanValue();
    if (!value) {
        return value.error();
    }
    std::string description = "invalid type: ";
    switch (value->kind) {
        case ScannedValue::Kind::null:
            description += "null";
            break;
        case ScannedValue::Kind::boolean:
            description += value->boolean ? "boolean `true`" : "boolean `false`";
            break;
        case ScannedValue::Kind::number:
            description += describeNumber(value->number);
            break;
        case ScannedValue::Kind::string:
            description += describeString(value->string);
            break;
        case ScannedValue::Kind::array:
            description += "sequence";
            break;
        case ScannedValue::Kind::object:
            description += "map";
            break;
    }
    description += ", expected ";
    description += wanted;
    return errorHere(description);
}

Status JsonReader::finishText() {
    if (peekSignificant()) {
        return fail(errorAtPeek("trailing characters"));
    }
    return {};
}

}  // namespace korvane::runtime
