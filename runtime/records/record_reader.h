#pragma once
// The typed reading under the record parsers: each record declares a table of
// its fields (name, presence, how the value is read), and one reader handles
// every record alike.
//
// A record is read from an object (keys matched exactly, undeclared keys
// skipped whatever their value, a declared key twice refused, absent required
// keys reported after the whole object in table order) or from an array of the
// field values in table order (an optional field takes its default when the
// array ends at it; too few or too many elements are refused). Values are
// never converted: only a JSON string is a string, only true and false are
// booleans, only an integer 0..65535 is a port.

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/result.h"
#include "runtime/records/json_reader.h"

namespace korvane::runtime {

enum class Presence { required, optional };

struct FieldInfo {
    std::string_view name;
    Presence presence;
};

// Reads one record at the cursor. `readFieldValue(i)` reads the value of field
// i into the record being built.
Status readRecord(JsonReader& reader, std::string_view recordName,
                  std::span<const FieldInfo> fields,
                  const std::function<Status(std::size_t)>& readFieldValue);

// Readers of one value each, "a string", "a boolean", "u16", "a sequence",
// "a map" (of names to string lists) or a record.
Status readValueInto(JsonReader& reader, std::string& value);
Status readValueInto(JsonReader& reader, bool& value);
Status readValueInto(JsonReader& reader, std::uint16_t& value);
Status readValueInto(JsonReader& reader, std::map<std::string, std::vector<std::string>>& value);
template <typename T>
Status readValueInto(JsonReader& reader, std::vector<T>& value);

// A record type declares its shape by specialising RecordShape with
//   static constexpr std::string_view name;   // e.g. "AccessServer"
//   static constexpr std::array fields;       // of Field<Record>, in declared order
template <typename Record>
struct RecordShape;

template <typename Record>
concept ShapedRecord = requires {
    RecordShape<Record>::fields;
};

template <ShapedRecord Record>
Status readValueInto(JsonReader& reader, Record& record);

template <typename Record>
struct Field {
    FieldInfo info;
    Status (*read)(JsonReader&, Record&);
};

template <typename Member>
struct MemberPointer;
template <typename Record, typename Value>
struct MemberPointer<Value Record::*> {
    using RecordType = Record;
};

// field<&Record::member>("key"): a table entry that reads the member.
template <auto Member>
constexpr auto field(std::string_view name, Presence presence = Presence::required) {
    using Record = typename MemberPointer<decltype(Member)>::RecordType;
    return Field<Record>{{name, presence}, [](JsonReader& reader, Record& record) {
                             return readValueInto(reader, record.*Member);
                         }};
}

template <typename T>
Status readValueInto(JsonReader& reader, std::vector<T>& value) {
    const auto next = reader.peekSignificant();
    if (!next) {
        return fail(reader.errorAtPeek("EOF while parsing a value"));
    }
    if (*next != '[') {
        return fail(reader.invalidType("a sequence"));
    }
    return reader.forEachElement([&] { return readValueInto(reader, value.emplace_back()); });
}

template <ShapedRecord Record>
Status readValueInto(JsonReader& reader, Record& record) {
    using Shape = RecordShape<Record>;
    static constexpr auto infos = [] {
        std::array<FieldInfo, Shape::fields.size()> result{};
        for (std::size_t i = 0; i < result.size(); ++i) {
            result[i] = Shape::fields[i].info;
        }
        return result;
    }();
    return readRecord(reader, Shape::name, infos,
                      [&](std::size_t i) { return Shape::fields[i].read(reader, record); });
}

// A complete JSON text holding one record and nothing after it but white space.
template <ShapedRecord Record>
Result<Record> readRecordText(std::string_view text) {
    JsonReader reader(text);
    Record record;
    KORVANE_TRY(readValueInto(reader, record));
    KORVANE_TRY(reader.finishText());
    return record;
}

}  // namespace korvane::runtime
