#include "runtime/records/json_document.h"

#include "runtime/records/json_reader.h"

namespace korvane::runtime {

Result<nlohmann::json> parseJsonDocument(std::string_view text) {
    JsonReader reader(text);
    nlohmann::json document;
    KORVANE_TRY(reader.readValue(&document));
    KORVANE_TRY(reader.finishText());
    return document;
}

}  // namespace korvane::runtime
