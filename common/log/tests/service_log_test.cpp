// The service log in a folder of its own: line format, levels, escaping,
// rotation at a lowered cap, and a log that cannot be written.

#include "common/log/service_log.h"

#include <gtest/gtest.h>

#include <atomic>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace korvane::log {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> linesOf(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        lines.push_back(line);
    }
    return lines;
}

// The message of a line, after its time and level word.
std::string messageOf(const std::string& line) {
    const auto afterTime = line.find(' ');
    const auto afterLevel = line.find(' ', afterTime + 1);
    return afterLevel == std::string::npos ? std::string() : line.substr(afterLevel + 1);
}

class ServiceLogTest : public ::testing::Test {
  protected:
    ServiceLogTest() {
        static std::atomic<int> counter{0};
        folder_ =
            fs::temp_directory_path() / ("korvane-log-test-" + std::to_string(::time(nullptr)) +
                                         "-" + std::to_string(counter++));
        fs::remove_all(folder_);
    }
    ~ServiceLogTest() override {
        closeServiceLog();
        std::error_code ignored;
        fs::remove_all(folder_, ignored);
    }
    fs::path logFile(const char* name = kServiceLogName) const { return folder_ / "logs" / name; }

    fs::path folder_;
};

TEST_F(ServiceLogTest, LinesCarryUtcTimeWithMillisecondsLevelWordAndEscapedMessage) {
    ASSERT_TRUE(openServiceLog(folder_ / "logs"));
    const std::time_t before = std::time(nullptr);
    info("Endpoint listening on 127.0.0.1:49190");
    warning("Refused a browser request: Host evil.com\r\nforged line");
    error("Start failed: Failed to launch naive");
    closeServiceLog();

    const std::vector<std::string> lines = linesOf(logFile());
    ASSERT_EQ(lines.size(), 3u);
    const std::regex shape(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z (info|warning|error) .+)");
    for (const std::string& line : lines) {
        EXPECT_TRUE(std::regex_match(line, shape)) << line;
    }
    EXPECT_EQ(lines[0].substr(25, 5), "info ");
    EXPECT_EQ(lines[1].substr(25, 8), "warning ");
    EXPECT_EQ(lines[2].substr(25, 6), "error ");
    EXPECT_EQ(messageOf(lines[1]), "Refused a browser request: Host evil.com\\x0D\\x0Aforged line");
    EXPECT_EQ(messageOf(lines[2]), "Start failed: Failed to launch naive");

    // The time is UTC, not local time: the date and hour match gmtime's.
    std::tm utc{};
#ifdef _WIN32
    gmtime_s(&utc, &before);
#else
    gmtime_r(&before, &utc);
#endif
    char expected[16];
    std::strftime(expected, sizeof expected, "%Y-%m-%dT%H", &utc);
    EXPECT_EQ(lines[0].substr(0, 13), expected) << "unless the hour turned meanwhile";
}

TEST_F(ServiceLogTest, ReopeningAppendsAndClosedOrUnopenedLogWritesNothing) {
    info("before any log is open");
    ASSERT_TRUE(openServiceLog(folder_ / "logs"));
    info("first run");
    closeServiceLog();
    info("between runs");
    ASSERT_TRUE(openServiceLog(folder_ / "logs"));
    info("second run");
    closeServiceLog();

    const std::vector<std::string> lines = linesOf(logFile());
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(messageOf(lines[0]), "first run");
    EXPECT_EQ(messageOf(lines[1]), "second run");
}

TEST_F(ServiceLogTest, RotatesAtTheCapKeepingThreeOldFilesInOrder) {
    ASSERT_TRUE(openServiceLog(folder_ / "logs", FileLimits{.maxBytes = 1000, .keptFiles = 3}));
    // About 80 bytes a line: 100 lines fill about eight files of 1000 bytes.
    for (int i = 0; i < 100; ++i) {
        info("line " + std::to_string(1000 + i) + " " + std::string(40, 'x'));
    }
    closeServiceLog();

    const char* files[] = {"service.3.log", "service.2.log", "service.1.log", "service.log"};
    std::vector<int> numbers;
    for (const char* name : files) {
        ASSERT_TRUE(fs::exists(logFile(name))) << name;
        EXPECT_LE(fs::file_size(logFile(name)), 1000u) << name;
        for (const std::string& line : linesOf(logFile(name))) {
            numbers.push_back(std::stoi(messageOf(line).substr(5, 4)));
        }
    }
    EXPECT_FALSE(fs::exists(logFile("service.4.log")));
    // Oldest file first: the kept lines are consecutive and end with the last.
    ASSERT_FALSE(numbers.empty());
    EXPECT_EQ(numbers.back(), 1099);
    for (std::size_t i = 1; i < numbers.size(); ++i) {
        EXPECT_EQ(numbers[i], numbers[i - 1] + 1);
    }
    EXPECT_GT(numbers.size(), 30u);
}

TEST_F(ServiceLogTest, AFolderThatCannotHoldTheLogFailsTheOpenAndWritingStaysHarmless) {
    fs::create_directories(folder_);
    std::ofstream(folder_ / "logs") << "a file where the folder should be";

    const Status opened = openServiceLog(folder_ / "logs");
    EXPECT_FALSE(opened);
    info("goes nowhere");
    error("goes nowhere either");
}

TEST_F(ServiceLogTest, ARotationThatFailsThrowsNothingAndLinesKeepComing) {
    ASSERT_TRUE(openServiceLog(folder_ / "logs", FileLimits{.maxBytes = 200, .keptFiles = 1}));
    info("first");
    // A folder in the way of the rotation's rename makes the rotation fail.
    fs::create_directories(logFile("service.1.log") / "blocker");
    for (int i = 0; i < 20; ++i) {
        info(std::string(50, 'y'));
    }
    // The line that meets a failed rotation is lost (spdlog empties the file
    // instead, so that it cannot grow past the cap); the next one is written.
    info("still logging");
    info("still logging");
    closeServiceLog();
    const std::vector<std::string> lines = linesOf(logFile());
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(messageOf(lines.back()), "still logging");
}

}  // namespace
}  // namespace korvane::log
