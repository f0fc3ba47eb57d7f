// Feeds arbitrary bytes through everything the endpoint does with a request:
// the completeness rule, reading, the browser guard, routing, the start
// payload and the response text.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "service/http/http_response.h"
#include "service/http/request_completeness.h"
#include "service/http/request_router.h"

namespace {

class IdleHandlers final : public korvane::service::HandlerSet {
  public:
    korvane::Result<std::string> handleStart(std::string_view settingsJson,
                                             std::string_view serverJson) override {
        return std::string(settingsJson) + std::string(serverJson);
    }
    korvane::Status handleStop() override { return {}; }
    korvane::Result<std::string> handleHealth() override { return std::string("{}"); }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view received(reinterpret_cast<const char*>(data), size);
    IdleHandlers handlers;
    const auto needed = korvane::service::neededRequestLength(received);
    if (needed && *needed < received.size() / 2) {
        // Searching from part-way must find the same blank line or a later one.
        const auto later = korvane::service::neededRequestLength(received, received.size() / 2);
        if (later && *later < *needed) {
            __builtin_trap();
        }
    }
    const auto response =
        korvane::service::buildResponse(korvane::service::serveRequest(received, handlers));
    if (!response.starts_with("HTTP/1.1 ")) {
        __builtin_trap();
    }
    return 0;
}
