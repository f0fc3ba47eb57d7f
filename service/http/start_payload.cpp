#include "service/http/start_payload.h"

#include <nlohmann/json.hpp>

#include "runtime/records/json_document.h"

namespace korvane::service {
namespace {

// Compact text. Strings of a parsed document are valid UTF-8, so the replace
// handler never replaces anything; it only keeps dump() from throwing.
std::string compactJson(const nlohmann::json& value) {
    return value.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

}  // namespace

Result<StartPayload> readStartPayload(std::string_view body) {
    auto document = runtime::parseJsonDocument(body);
    if (!document) {
        return fail("Invalid start payload: " + document.error());
    }
    if (!document->is_object()) {
        return fail("Missing settings payload");
    }
    const auto settings = document->find("settings");
    if (settings == document->end()) {
        return fail("Missing settings payload");
    }
    const auto server = document->find("server");
    if (server == document->end()) {
        return fail("Missing server payload");
    }
    return StartPayload{compactJson(*settings), compactJson(*server)};
}

}  // namespace korvane::service
