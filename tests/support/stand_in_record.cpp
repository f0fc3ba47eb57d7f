#include "tests/support/stand_in_record.h"

#include <sstream>

#include "platform/wide.h"
#include "tests/support/file_content.h"
#include "tests/support/processes.h"

namespace korvane::test {

std::optional<Recorded> readRecord(const std::filesystem::path& path,
                                   std::chrono::milliseconds timeout) {
    const std::optional<std::string> content = waitForFile(path, timeout);
    if (!content) {
        return std::nullopt;
    }
    std::vector<std::string> lines;
    std::istringstream in(*content);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    if (lines.size() != 3) {
        return std::nullopt;
    }
    return Recorded{platform::widen(lines[0]), parseCommandLine(platform::widen(lines[1])),
                    static_cast<DWORD>(std::stoul(lines[2]))};
}

}  // namespace korvane::test
