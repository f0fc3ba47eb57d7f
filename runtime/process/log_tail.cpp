#include "runtime/process/log_tail.h"

#include <algorithm>
#include <vector>

#include "common/text.h"

namespace korvane::runtime {
namespace {

constexpr std::size_t kTailLines = 8;

}  // namespace

std::string_view wholeLines(std::string_view lastBytes, bool cut) {
    if (!cut) {
        return lastBytes;
    }
    const std::size_t feed = lastBytes.find('\n');
    return feed == std::string_view::npos ? std::string_view() : lastBytes.substr(feed + 1);
}

std::string formatLogTail(std::string_view content) {
    if (utf8Error(content)) {
        return {};
    }
    // Walk from the end; a carriage return before a line feed is white space
    // and goes with the trimming.
    std::vector<std::string_view> kept;
    std::size_t end = content.size();
    while (kept.size() < kTailLines) {
        const std::size_t feed = end == 0 ? std::string_view::npos : content.rfind('\n', end - 1);
        const std::size_t begin = feed == std::string_view::npos ? 0 : feed + 1;
        const std::string_view line = trimUnicodeWhitespace(content.substr(begin, end - begin));
        if (!line.empty()) {
            kept.push_back(line);
        }
        if (feed == std::string_view::npos) {
            break;
        }
        end = feed;
    }
    if (kept.empty()) {
        return {};
    }
    std::reverse(kept.begin(), kept.end());
    std::string tail = " Last log lines: ";
    for (std::size_t i = 0; i < kept.size(); ++i) {
        if (i > 0) {
            tail += " | ";
        }
        tail += kept[i];
    }
    return tail;
}

}  // namespace korvane::runtime
