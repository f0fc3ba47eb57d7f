#include "service/host/status_text.h"

#include <deque>

namespace korvane::service {

std::vector<std::string> lastLines(std::string_view content, std::size_t count) {
    if (content.ends_with('\n')) {
        content.remove_suffix(1);
    }
    std::deque<std::string_view> kept;
    while (!content.empty() || kept.empty()) {
        const std::size_t end = content.find('\n');
        std::string_view line = content.substr(0, end);
        if (line.ends_with('\r')) {
            line.remove_suffix(1);
        }
        kept.push_back(line);
        if (kept.size() > count) {
            kept.pop_front();
        }
        if (end == std::string_view::npos) {
            break;
        }
        content.remove_prefix(end + 1);
    }
    if (kept.size() == 1 && kept.front().empty()) {
        kept.clear();  // an empty file has no lines
    }
    return {kept.begin(), kept.end()};
}

std::string describeHealthAnswer(std::string_view answer) {
    const std::size_t headEnd = answer.find("\r\n\r\n");
    const std::string_view statusLine = answer.substr(0, answer.find("\r\n"));
    const std::string_view body =
        headEnd == std::string_view::npos ? std::string_view() : answer.substr(headEnd + 4);
    if (headEnd != std::string_view::npos && statusLine.starts_with("HTTP/1.1 200 ")) {
        return std::string(body);
    }
    if (headEnd != std::string_view::npos && statusLine.starts_with("HTTP/1.1 500 ")) {
        return "error: " + std::string(body);
    }
    return "unexpected answer: " + std::string(statusLine);
}

}  // namespace korvane::service
