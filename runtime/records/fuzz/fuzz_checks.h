#pragma once
// What every reader must hold on any input.

#include <cstdlib>
#include <string>
#include <string_view>

#include "common/result.h"
#include "runtime/records/json_document.h"

namespace korvane::runtime::fuzzing {

// A failure is a message that names its position.
inline void requirePositioned(const std::string& message) {
    const auto at = message.rfind(" at line ");
    if (at == std::string::npos || message.find(" column ", at) == std::string::npos) {
        std::abort();
    }
}

// A record read from any text reads the same once the text went through the
// document parser and compact printing, as the endpoint hands it over.
template <typename Record>
void checkRecordReading(std::string_view text, Result<Record> (*parse)(std::string_view)) {
    const auto read = parse(text);
    if (!read) {
        requirePositioned(read.error());
        return;
    }
    const auto document = parseJsonDocument(text);
    if (!document) {
        std::abort();
    }
    const auto again = parse(document->dump());
    if (!again || !(*again == *read)) {
        std::abort();
    }
}

}  // namespace korvane::runtime::fuzzing
