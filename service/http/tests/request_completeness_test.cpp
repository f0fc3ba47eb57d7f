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

TEST(RequestCompleteness, HeadTellsWhereTheBodyStartsAndWhetherTheClientWaitsToSendIt) {
    const std::string head =
        "POST /start HTTP/1.1\r\nContent-Length: 3\r\nexpect:  100-Continue \r\n\r\n";
    const auto read = readRequestHead(head + "{}");
    ASSERT_TRUE(read);
    EXPECT_EQ(read->headLength, head.size());
    EXPECT_EQ(read->neededLength, head.size() + 3);
    EXPECT_TRUE(read->expectsContinue);

    EXPECT_FALSE(readRequestHead("POST /start HTTP/1.1\r\nExpect: 100-continue\r\n"));
    for (const char* other :
         {"Expect: 200-ok", "Expect:", "X-Expect: 100-continue", "Expectation: 100-continue"}) {
        const auto without =
            readRequestHead(std::string("POST /start HTTP/1.1\r\n") + other + "\r\n\r\n");
        ASSERT_TRUE(without);
        EXPECT_FALSE(without->expectsContinue) << other;
    }
    // The request line and the body hold no fields.
    const auto inBody = readRequestHead("POST /start\r\n\r\nExpect: 100-continue\r\n\r\n");
    ASSERT_TRUE(inBody);
    EXPECT_FALSE(inBody->expectsContinue);
}

}  // namespace
}  // namespace korvane::service
