#include "service/http/head_fields.h"

namespace korvane::service {
namespace {

std::string_view trimSpacesAndTabs(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) {
        return {};
    }
    const auto last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

}  // namespace

std::vector<HeadField> headFields(std::string_view head) {
    std::vector<HeadField> fields;
    auto lineEnd = head.find('\n');
    while (lineEnd != std::string_view::npos) {
        head.remove_prefix(lineEnd + 1);
        lineEnd = head.find('\n');
        std::string_view line = head.substr(0, lineEnd);
        if (line.ends_with('\r')) {
            line.remove_suffix(1);
        }
        const auto colon = line.find(':');
        if (colon != std::string_view::npos) {
            fields.push_back({trimSpacesAndTabs(line.substr(0, colon)),
                              trimSpacesAndTabs(line.substr(colon + 1))});
        }
    }
    return fields;
}

}  // namespace korvane::service
