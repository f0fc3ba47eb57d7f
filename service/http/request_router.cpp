#include "service/http/request_router.h"

#include "service/http/http_request.h"
#include "service/http/start_payload.h"

namespace korvane::service {
namespace {

Result<std::string> route(const HttpRequest& request, HandlerSet& handlers) {
    if (request.method == "POST" && request.path == "/start") {
        const auto payload = readStartPayload(request.body);
        if (!payload) {
            return fail(payload.error());
        }
        return handlers.handleStart(payload->settingsJson, payload->serverJson);
    }
    if (request.method == "POST" && request.path == "/stop") {
        // The body, if any, means nothing to a stop.
        if (auto stopped = handlers.handleStop(); !stopped) {
            return fail(std::move(stopped.error()));
        }
        return std::string("{}");
    }
    if (request.method == "GET" && request.path == "/health") {
        return handlers.handleHealth();
    }
    return fail("Unknown service command");
}

}  // namespace

Result<std::string> serveRequest(std::string_view received, HandlerSet& handlers) {
    const auto request = parseHttpRequest(received);
    if (!request) {
        return fail(request.error());
    }
    return route(*request, handlers);
}

}  // namespace korvane::service
