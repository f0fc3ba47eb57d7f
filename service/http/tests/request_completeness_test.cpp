#include "service/http/request_completeness.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>

namespace korvane::service {
namespace {

TEST(RequestCompleteness, WaitsForTheBlankLine) {
    EXPECT_FALSE(isRequestComplete(""));
    EXPECT_FALSE(isRequestComplete("GET /health HTTP/1.1\r\n\r"));
    EXPECT_TRUE(isRequestComplete("GET /health HTTP/1.1\r\n\r\n"));
    // Without Content-Length whatever follows is body: pipelined bytes too.
    EXPECT_TRUE(isRequestComplete("POST /stop\r\n\r\nGET /health HTTP/1.1\r\n"));
    // Searching on from where the last receive ended finds a straddling one.
    EXPECT_EQ(neededRequestLength("GET /a\r\n\r\n", 8 - 3), 10u);
}

TEST(RequestCompleteness, WaitsForTheLargestAnnouncedBody) {
    const std::string head = "POST /start\r\nHost: localhost\r\ncontent-LENGTH:  5 \r\n\r\n";
    EXPECT_FALSE(isRequestComplete(head + "1234"));
    EXPECT_TRUE(isRequestComplete(head + "123456"));
    EXPECT_FALSE(
        isRequestComplete("POST /start\r\nContent-Length: 1\r\nContent-Length: 4\r\n\r\nab"));
    const std::string huge = "POST /start\r\nContent-Length: 99999999999999999999999\r\n\r\n";
    EXPECT_EQ(neededRequestLength(huge), std::numeric_limits<std::size_t>::max());
}

TEST(RequestCompleteness, IgnoresWhatIsNoAnnouncement) {
    for (const char* value : {"", "abc", "-1", "+5", "1e3", "5 5"}) {
        EXPECT_TRUE(
            isRequestComplete(std::string("POST /start\r\nContent-Length: ") + value + "\r\n\r\n"))
            << value;
    }
    // Neither the request line nor the body holds headers.
    EXPECT_TRUE(isRequestComplete("Content-Length: 9\r\n\r\n"));
    EXPECT_TRUE(isRequestComplete("POST /start\r\n\r\nContent-Length: 9\r\n\r\n"));
}

}  // namespace
}  // namespace korvane::service
