#pragma once
// A whole JSON text read into a tree, with the reader's positioned messages
// (runtime/records/json_reader.h).

#include <string_view>

#include <nlohmann/json.hpp>

#include "common/result.h"

namespace korvane::runtime {

// Reads `text` as one JSON value, surrounded by nothing but white space.
// An object that holds a key twice keeps the key's last value. The error is the
// reader's message with its position, e.g. "trailing characters at line 1
// column 30" or "EOF while parsing a value at line 1 column 0".
Result<nlohmann::json> parseJsonDocument(std::string_view text);

}  // namespace korvane::runtime
