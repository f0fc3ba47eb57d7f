#include "service/http/request_router.h"

#include "service/http/http_request.h"
#include "service/http/request_log.h"
#include "service/http/start_payload.h"

namespace korvane::service {
namespace {

Result<std::string> start(const HttpRequest& request, HandlerSet& handlers) {
    KORVANE_TRY_ASSIGN(const StartPayload payload, readStartPayload(request.body));
    return handlers.handleStart(payload.settingsJson, payload.serverJson);
}

bool allowed(const DriveCheck& mayDrive, std::string_view route) {
    return !mayDrive || mayDrive(route);
}

Result<std::string> route(const HttpRequest& request, HandlerSet& handlers,
                          const DriveCheck& mayDrive) {
    constexpr char kNotAllowed[] = "Request client not allowed";
    if (request.method == "POST" && request.path == "/start") {
        if (!allowed(mayDrive, "POST /start")) {
            return fail(kNotAllowed);
        }
        Result<std::string> started = start(request, handlers);
        if (!started) {
            logStartFailure(started.error());
        }
        return started;
    }
    if (request.method == "POST" && request.path == "/stop") {
        if (!allowed(mayDrive, "POST /stop")) {
            return fail(kNotAllowed);
        }
        // The body, if any, means nothing to a stop.
        const Status stopped = handlers.handleStop();
        logStopOutcome(stopped);
        KORVANE_TRY(stopped);
        return std::string("{}");
    }
    if (request.method == "GET" && request.path == "/health") {
        countHealthRequest();
        return handlers.handleHealth();
    }
    return fail("Unknown service command");
}

}  // namespace

Result<std::string> serveRequest(std::string_view received, HandlerSet& handlers,
                                 const DriveCheck& mayDrive) {
    KORVANE_TRY_ASSIGN(const HttpRequest request, parseHttpRequest(received));
    return route(request, handlers, mayDrive);
}

}  // namespace korvane::service
