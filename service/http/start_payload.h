#pragma once
// The body of POST /start: a JSON object with the members "settings" and
// "server", handed on as compact JSON texts. Their shape is the handler's
// business; other members are ignored.

#include <string>
#include <string_view>

#include "common/result.h"

namespace korvane::service {

struct StartPayload {
    std::string settingsJson;
    std::string serverJson;
};

// Fails with "Invalid start payload: " + the JSON reader's message (which
// names line and column), "Missing settings payload" (also when the body is
// not an object) or "Missing server payload". The member texts are compact,
// object keys in ascending byte order, a repeated key keeping its last value.
Result<StartPayload> readStartPayload(std::string_view body);

}  // namespace korvane::service
