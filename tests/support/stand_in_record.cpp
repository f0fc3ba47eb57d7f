#include "tests/support/stand_in_record.h"

#include <algorithm>
#include <sstream>
#include <thread>

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

std::vector<std::string> recordedRuns(const std::filesystem::path& path) {
    std::vector<std::string> lines;
    std::istringstream content(readFile(path).value_or(""));
    for (std::string line; std::getline(content, line);) {
        lines.push_back(line);
    }
    return lines;
}

bool waitForRecordedRun(const std::filesystem::path& path, const std::string& line,
                        std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        const std::vector<std::string> runs = recordedRuns(path);
        if (std::find(runs.begin(), runs.end(), line) != runs.end()) {
            return true;
        }
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

}  // namespace korvane::test
