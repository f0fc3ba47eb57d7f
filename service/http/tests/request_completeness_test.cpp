#include "service/http/request_completeness.h"

#include <gtest/gtest.h>

#include <limits>

namespace korvane::service {
namespace {

TEST(RequestCompleteness, WaitsForTheBlankLine) {
    EXPECT_FALSE(isRequestComplete(""));
    EXPECT_FALSE(isRequestComplete("GET /health HTTP/1.1\r\n"));
    EXPECT_FALSE(isRequestComplete("GET /health HTTP/1.1\r\n\r"));
    EXPECT_TRUE(isRequestComplete("GET /health HTTP/1.1\r\n\r\n"));
    EXPECT_TRUE(isRequestComplete("\r\n\r\n"));
    // Without Content-Length whatever follows the blank line is the body.
    EXPECT_TRUE(isRequestComplete("POST /stop HTTP/1.1\r\n\r\nGET /health HTTP/1.1\r\n"));
}

TEST(RequestCompleteness, WaitsForTheAnnouncedBody) {
    const std::string head = "POST /start HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Length: 5\r\n\r\n";
    EXPECT_EQ(neededRequestLength(head), head.size() + 5);
    EXPECT_FALSE(isRequestComplete(head + "1234"));
    EXPECT_TRUE(isRequestComplete(head + "12345"));
    EXPECT_TRUE(isRequestComplete(head + "123456"));
    // The name is matched ignoring ASCII case, spaces around the value don't count.
    EXPECT_FALSE(isRequestComplete("POST /start\r\ncontent-LENGTH:  3 \r\n\r\nab"));
    EXPECT_TRUE(isRequestComplete("POST /start\r\ncontent-LENGTH:  3 \r\n\r\nabc"));
    // With several headers the largest announcement counts.
    EXPECT_FALSE(
        isRequestComplete("POST /start\r\nContent-Length: 1\r\nContent-Length: 4\r\n\r\nab"));
}

TEST(RequestCompleteness, IgnoresWhatIsNoAnnouncement) {
    for (const char* value : {"", "abc", "-1", "+5", "1e3", "0x10", "5 5"}) {
        const std::string request =
            std::string("POST /start\r\nContent-Length: ") + value + "\r\n\r\n";
        EXPECT_TRUE(isRequestComplete(request)) << value;
    }
    // Neither the request line nor the body holds headers.
    EXPECT_TRUE(isRequestComplete("Content-Length: 9\r\n\r\n"));
    EXPECT_TRUE(isRequestComplete("POST /start\r\n\r\nContent-Length: 9\r\n\r\n"));
}

TEST(RequestCompleteness, HugeAnnouncementsNeverComplete) {
    const std::string request =
        "POST /start\r\nContent-Length: 99999999999999999999999999\r\n\r\nab";
    EXPECT_EQ(neededRequestLength(request), std::numeric_limits<std::size_t>::max());
    EXPECT_FALSE(isRequestComplete(request));
}

TEST(RequestCompleteness, SearchesFromTheGivenOffset) {
    // The blank line straddles the previous receive's end (8 bytes then 9).
    const std::string request = "GET /a\r\n\r\n";
    EXPECT_EQ(neededRequestLength(request, 8 - 3), request.size());
    EXPECT_EQ(neededRequestLength(request, request.size() + 1), std::nullopt);
}

}  // namespace
}  // namespace korvane::service
