#pragma once
// Strict JSON reading with positioned messages.
// N.B. Our own reader: the client shows its messages, which must match the
// documented wording, line and column exactly; nlohmann/json only builds and prints.
//
// Every message ends with " at line L column C": lines and columns count from
// 1 and columns count bytes. The column is that of the last byte consumed (the
// closing quote of a string, the last character of a number or literal), or,
// where the reader stopped in front of something it should not meet, that of
// the offending byte. Nothing before the first byte gives column 0.
//
// Only space, tab, CR and LF count as white space. More than 127 arrays and
// objects nested inside each other are refused ("recursion limit exceeded").
// Strings must be valid UTF-8 and their escapes must not leave lone
// surrogates, so every value read can be printed again.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include <nlohmann/json_fwd.hpp>

#include "common/result.h"
#include "runtime/records/json_number.h"

namespace korvane::runtime {

// The cursor under the typed readers: it reads one JSON text front to back,
// keeps the nesting depth and builds every message with its position. The
// operations mirror what a typed reader needs: look at the next significant
// byte, read one value of an expected kind, or describe what was found instead.
class JsonReader {
  public:
    explicit JsonReader(std::string_view text) : text_(text) {}

    // Skips white space and returns the next byte without consuming it.
    std::optional<char> peekSignificant();
    void consume() { ++index_; }

    // Message at the last consumed byte, or at the byte after it (the one just
    // peeked at, or the end of the text).
    std::string errorHere(std::string_view description) const;
    std::string errorAtPeek(std::string_view description) const;

    // One level of nesting of arrays and objects, given back when the scope
    // ends: enter it in front of the opening bracket (not yet consumed) and
    // keep it until after the closing one.
    class [[nodiscard]] NestingScope {
      public:
        NestingScope(NestingScope&& other) noexcept
            : reader_(std::exchange(other.reader_, nullptr)) {}
        NestingScope& operator=(NestingScope&&) = delete;
        ~NestingScope() {
            if (reader_) {
                ++reader_->remainingDepth_;
            }
        }

      private:
        friend class JsonReader;
        explicit NestingScope(JsonReader& reader) : reader_(&reader) {}
        JsonReader* reader_;
    };
    // Fails with "recursion limit exceeded" beyond the deepest nesting.
    Result<NestingScope> enterNested();

    // A string value after its opening quote was consumed: escapes decoded,
    // the closing quote consumed.
    Result<std::string> readStringBody();
    // The rest of a literal whose first byte was consumed ("ull", "rue", "alse").
    Status readLiteralRest(std::string_view rest);
    // A number whose optional minus sign was consumed; `negative` says whether
    // there was one.
    Result<JsonNumber> readNumber(bool negative);

    // Array punctuation. nextElement() tells whether another element follows,
    // consuming the separating comma; it stops in front of the closing bracket.
    // finishArray() consumes the closing bracket, refusing anything else.
    Result<bool> nextElement(bool first);
    Status finishArray();
    // Object punctuation. nextKey() tells whether another key follows and, if
    // so, consumes its opening quote; it stops in front of the closing brace.
    // readColon() consumes the colon after a key; finishObject() the brace.
    Result<bool> nextKey(bool first);
    Status readColon();
    Status finishObject();

    // Whole containers, with their opening bracket or brace in front of the
    // cursor (peeked, not consumed): the nesting is kept and the closing one is
    // consumed. forEachElement() calls `element` in front of each element.
    // forEachMember() calls `member` with each key just read, the cursor still
    // in front of the colon so that a key can be refused before anything else;
    // `member` reads the colon (readColon()) and the value.
    Status forEachElement(const std::function<Status()>& element);
    Status forEachMember(const std::function<Status(std::string key)>& member);

    // Any value, as a tree when `out` is given, else only checked and skipped.
    Status readValue(nlohmann::json* out);

    // The failure for a value of the wrong kind in front of the cursor:
    // scalars are read (so the message points at their last byte and describes
    // them), an array or object is described without being entered.
    std::string invalidType(std::string_view wanted);

    // After the top-level value: nothing but white space may follow.
    Status finishText();

  private:
    struct ScannedValue;
    Result<ScannedValue> scanValue();
    std::string messageAt(std::string_view description, std::size_t consumed) const;
    Result<std::uint16_t> readHexQuad();
    Status readEscape(std::string& out);
    Status readUnicodeEscape(std::string& out);
    Result<JsonNumber> readNumberTail(bool negative, std::size_t start, std::uint64_t significand,
                                      bool beyond64Bits);
    Status readFraction();
    Status readExponent();
    Result<JsonNumber> floatNumber(std::size_t start) const;
    Status readContainer(Result<bool> (JsonReader::*next)(bool), Status (JsonReader::*finish)(),
                         const std::function<Status()>& item);
    Status readArrayValue(nlohmann::json* out);
    Status readObjectValue(nlohmann::json* out);

    std::string_view text_;
    std::size_t index_ = 0;  // bytes consumed
    int remainingDepth_ = 128;
};

}  // namespace korvane::runtime
