#include "runtime/records/record_reader.h"

#include <algorithm>
#include <limits>

#include "runtime/records/found_description.h"

namespace korvane::runtime {
namespace {

constexpr std::string_view eofInValue = "EOF while parsing a value";

Status readRecordObject(JsonReader& reader, std::span<const FieldInfo> fields,
                        const std::function<Status(std::size_t)>& readFieldValue) {
    std::vector<bool> seen(fields.size(), false);
    KORVANE_TRY(reader.forEachMember([&](std::string key) -> Status {
        const auto declared = std::find_if(fields.begin(), fields.end(),
                                           [&](const FieldInfo& f) { return f.name == key; });
        const auto index = static_cast<std::size_t>(declared - fields.begin());
        if (declared != fields.end() && seen[index]) {
            // The reader has looked for what follows the key, white space
            // included, when it refuses the key.
            reader.peekSignificant();
            return fail(reader.errorHere("duplicate field `" + key + "`"));
        }
        KORVANE_TRY(reader.readColon());
        if (declared == fields.end()) {
            return reader.readValue(nullptr);
        }
        seen[index] = true;
        return readFieldValue(index);
    }));
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (fields[i].presence == Presence::required && !seen[i]) {
            return fail(reader.errorHere("missing field `" + std::string(fields[i].name) + "`"));
        }
    }
    return {};
}

Status readRecordArray(JsonReader& reader, std::string_view recordName,
                       std::span<const FieldInfo> fields,
                       const std::function<Status(std::size_t)>& readFieldValue) {
    KORVANE_TRY_ASSIGN(const JsonReader::NestingScope nesting, reader.enterNested());
    reader.consume();
    bool first = true;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        KORVANE_TRY_ASSIGN(const bool more, reader.nextElement(first));
        if (more) {
            first = false;
            KORVANE_TRY(readFieldValue(i));
            continue;
        }
        if (fields[i].presence == Presence::required) {
            KORVANE_TRY(reader.finishArray());
            const std::size_t count = fields.size();
            return fail(reader.errorHere("invalid length " + std::to_string(i) +
                                         ", expected struct " + std::string(recordName) + " with " +
                                         std::to_string(count) +
                                         (count == 1 ? " element" : " elements")));
        }
    }
    return reader.finishArray();
}

// The byte in front of the cursor after white space, or the failure at the end
// of the text where a value was wanted.
Result<char> peekValue(JsonReader& reader) {
    const auto next = reader.peekSignificant();
    if (!next) {
        return fail(reader.errorAtPeek(eofInValue));
    }
    return *next;
}

}  // namespace

Status readRecord(JsonReader& reader, std::string_view recordName,
                  std::span<const FieldInfo> fields,
                  const std::function<Status(std::size_t)>& readFieldValue) {
    KORVANE_TRY_ASSIGN(const char next, peekValue(reader));
    if (next == '{') {
        return readRecordObject(reader, fields, readFieldValue);
    }
    if (next == '[') {
        return readRecordArray(reader, recordName, fields, readFieldValue);
    }
    return fail(reader.invalidType("struct " + std::string(recordName)));
}

Status readValueInto(JsonReader& reader, std::string& value) {
    KORVANE_TRY_ASSIGN(const char next, peekValue(reader));
    if (next != '"') {
        return fail(reader.invalidType("a string"));
    }
    reader.consume();
    KORVANE_TRY_ASSIGN(value, reader.readStringBody());
    return {};
}

Status readValueInto(JsonReader& reader, bool& value) {
    KORVANE_TRY_ASSIGN(const char next, peekValue(reader));
    if (next != 't' && next != 'f') {
        return fail(reader.invalidType("a boolean"));
    }
    reader.consume();
    value = next == 't';
    return reader.readLiteralRest(value ? "rue" : "alse");
}

Status readValueInto(JsonReader& reader, std::uint16_t& value) {
    KORVANE_TRY_ASSIGN(const char next, peekValue(reader));
    const bool negative = next == '-';
    if (!negative && (next < '0' || next > '9')) {
        return fail(reader.invalidType("u16"));
    }
    if (negative) {
        reader.consume();
    }
    KORVANE_TRY_ASSIGN(const JsonNumber number, reader.readNumber(negative));
    constexpr auto max = std::numeric_limits<std::uint16_t>::max();
    switch (number.kind) {
        case JsonNumber::Kind::unsignedInteger:
            if (number.unsignedValue <= max) {
                value = static_cast<std::uint16_t>(number.unsignedValue);
                return {};
            }
            break;
        case JsonNumber::Kind::signedInteger:
            break;
        case JsonNumber::Kind::floatingPoint:
            return fail(
                reader.errorHere("invalid type: " + describeNumber(number) + ", expected u16"));
    }
    return fail(reader.errorHere("invalid value: " + describeNumber(number) + ", expected u16"));
}

Status readValueInto(JsonReader& reader, std::map<std::string, std::vector<std::string>>& value) {
    KORVANE_TRY_ASSIGN(const char next, peekValue(reader));
    if (next != '{') {
        return fail(reader.invalidType("a map"));
    }
    return reader.forEachMember([&](std::string key) -> Status {
        KORVANE_TRY(reader.readColon());
        std::vector<std::string> list;
        KORVANE_TRY(readValueInto(reader, list));
        // A repeated name keeps its last list.
        value.insert_or_assign(std::move(key), std::move(list));
        return {};
    });
}

}  // namespace korvane::runtime
