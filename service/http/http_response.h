#pragma once
// The one response of a connection.

#include <string>

#include "common/result.h"

namespace korvane::service {

// Success: "HTTP/1.1 200 OK" with the text as body. Failure: "HTTP/1.1 500
// Error" with the message as body, as plain text although the content type
// says JSON (the client reads failure bodies as text). Headers:
// Content-Type, Content-Length (the body's length in bytes), Connection:
// close.
std::string buildResponse(const Result<std::string>& outcome);

}  // namespace korvane::service
