#include "tests/support/service_log_lines.h"

#include <regex>
#include <sstream>

#include "tests/support/file_content.h"

namespace korvane::test {

std::vector<std::string> serviceLogEvents(const std::filesystem::path& logsFolder) {
    static const std::regex kTimeStamp(R"(^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z )");
    std::vector<std::string> events;
    const auto content = readFile(logsFolder / "service.log");
    if (!content) {
        return events;
    }
    std::istringstream lines(*content);
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        std::smatch stamp;
        events.push_back(std::regex_search(line, stamp, kTimeStamp) ? stamp.suffix().str() : line);
    }
    return events;
}

bool hasEvent(const std::vector<std::string>& events, const std::string& prefix) {
    for (const std::string& event : events) {
        if (event.starts_with(prefix)) {
            return true;
        }
    }
    return false;
}

}  // namespace korvane::test
