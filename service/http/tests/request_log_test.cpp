// What the router leaves in the service log, and that a log which cannot be
// written changes no answer.

#include "service/http/request_log.h"

#include <gtest/gtest.h>

#include <atomic>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "common/log/service_log.h"
#include "service/http/request_router.h"
#include "service/http/tests/recording_handlers.h"

namespace korvane::service {
namespace {

namespace fs = std::filesystem;

// Records the start answer that the runtime gives, so that the log line can
// be checked against it.
class StartAnswering final : public HandlerSet {
  public:
    Result<std::string> handleStart(std::string_view, std::string_view) override {
        return std::string(
            R"({"localSocksPort":1080,"serverHost":"example.com","interfaceName":"KorvaneTun7",)"
            R"("address":"172.19.0.1/30"})");
    }
    Status handleStop() override { return fail("sing-box stop failed"); }
    Result<std::string> handleHealth() override { return std::string("{}"); }
};

class RequestLogTest : public ::testing::Test {
  protected:
    RequestLogTest() {
        static std::atomic<int> counter{0};
        folder_ = fs::temp_directory_path() /
                  ("korvane-request-log-" + std::to_string(std::time(nullptr)) + "-" +
                   std::to_string(counter++));
    }
    ~RequestLogTest() override {
        log::closeServiceLog();
        std::error_code ignored;
        fs::remove_all(folder_, ignored);
    }

    // The messages of the log's lines, after time and level word.
    std::vector<std::string> messages() const {
        std::ifstream in(folder_ / log::kServiceLogName, std::ios::binary);
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);) {
            if (line.ends_with('\r')) {
                line.pop_back();  // Windows ends lines with CR LF
            }
            const auto afterTime = line.find(' ');
            lines.push_back(line.substr(line.find(' ', afterTime + 1) + 1));
        }
        return lines;
    }

    fs::path folder_;
};

constexpr char kStartWithSecret[] =
    "POST /start HTTP/1.1\r\n\r\n"
    R"({"settings":{},"server":{"host":"h","password":"hunter2-secret"}})";

TEST_F(RequestLogTest, FailedStartsAndStopsAreLoggedWithTheirOutcomeHealthIsOnlyCounted) {
    ASSERT_TRUE(log::openServiceLog(folder_));
    StartAnswering runtime;
    testing::RecordingHandlers failing;
    failing.failWith("Server h:443 is unreachable.");
    const std::uint64_t healthBefore = healthRequestCount();

    ASSERT_TRUE(serveRequest(kStartWithSecret, runtime));
    EXPECT_FALSE(serveRequest(kStartWithSecret, failing));
    EXPECT_EQ(serveRequest("POST /start HTTP/1.1\r\n\r\n{", runtime).error().substr(0, 22),
              "Invalid start payload:");
    EXPECT_FALSE(serveRequest("POST /stop HTTP/1.1\r\n\r\n", runtime));
    failing.failWith("");
    EXPECT_TRUE(serveRequest("POST /stop HTTP/1.1\r\n\r\n", failing));
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(serveRequest("GET /health HTTP/1.1\r\n\r\n", runtime));
    }
    EXPECT_FALSE(
        serveRequest("GET /health HTTP/1.1\r\nOrigin: http://evil.example\r\n\r\n", runtime));
    log::closeServiceLog();

    const std::vector<std::string> lines = messages();
    // The runtime, not the endpoint, logs a start that succeeded.
    ASSERT_EQ(lines.size(), 5u) << ::testing::PrintToString(lines);
    EXPECT_EQ(lines[0], "Start failed: Server h:443 is unreachable.");
    EXPECT_EQ(lines[1].substr(0, 36), "Start failed: Invalid start payload:");
    EXPECT_EQ(lines[2], "Stop failed: sing-box stop failed");
    EXPECT_EQ(lines[3], "Stop succeeded");
    EXPECT_EQ(lines[4], "Refused a browser request: Origin http://evil.example");
    for (const std::string& line : lines) {
        EXPECT_EQ(line.find("hunter2"), std::string::npos) << line;
    }
    EXPECT_EQ(healthRequestCount() - healthBefore, 3u) << "a refused request is no health request";
}

TEST_F(RequestLogTest, ALogThatCannotBeWrittenChangesNoAnswer) {
    // Every rotation fails: a folder stands where service.log must be renamed.
    ASSERT_TRUE(log::openServiceLog(folder_, log::FileLimits{.maxBytes = 64, .keptFiles = 1}));
    fs::create_directories(folder_ / "service.1.log" / "blocker");
    StartAnswering runtime;
    for (int i = 0; i < 3; ++i) {
        const auto started = serveRequest(kStartWithSecret, runtime);
        ASSERT_TRUE(started);
        EXPECT_EQ(*started, *runtime.handleStart({}, {}));
        EXPECT_EQ(serveRequest("POST /stop HTTP/1.1\r\n\r\n", runtime),
                  fail("sing-box stop failed"));
    }
}

}  // namespace
}  // namespace korvane::service
