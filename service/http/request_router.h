#pragma once
// From the bytes of one request to its outcome: the request is read, checked
// and handed to the one handler its method and path name.

#include <functional>
#include <string>
#include <string_view>

#include "common/result.h"
#include "service/http/handler_set.h"

namespace korvane::service {

// Routes by exact, case-sensitive comparison of method and path (no decoding,
// no query strings): POST /start to handleStart with the body's "settings"
// and "server" texts, POST /stop to handleStop (success answers "{}"), GET
// /health to handleHealth. Anything else fails with "Unknown service command".
// Failures of reading the request (http_request.h) or the start payload
// (start_payload.h) come back before any handler runs; a handler's failure
// comes back unchanged. Starts and stops are logged with their outcome,
// health requests counted (request_log.h).
//
// `mayDrive`, when given, is asked before a request that drives the service
// (POST /start or POST /stop) goes further, with its route ("POST /start"):
// false fails it with "Request client not allowed" before its payload is read
// or any handler runs. Other requests never ask.
using DriveCheck = std::function<bool(std::string_view route)>;
Result<std::string> serveRequest(std::string_view received, HandlerSet& handlers,
                                 const DriveCheck& mayDrive = {});

}  // namespace korvane::service
