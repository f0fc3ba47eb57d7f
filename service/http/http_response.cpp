#include "service/http/http_response.h"

namespace korvane::service {

std::string buildResponse(const Result<std::string>& outcome) {
    const std::string& body = outcome ? *outcome : outcome.error();
    std::string response = outcome ? "HTTP/1.1 200 OK\r\n" : "HTTP/1.1 500 Error\r\n";
    response += "Content-Type: application/json; charset=utf-8\r\n";
    response += "Content-Length: " + std::to_string(body.size()) + "\r\n";
    response += "Connection: close\r\n\r\n";
    response += body;
    return response;
}

}  // namespace korvane::service
