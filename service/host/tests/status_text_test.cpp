#include "service/host/status_text.h"

#include <gtest/gtest.h>

namespace korvane::service {
namespace {

using Lines = std::vector<std::string>;

TEST(StatusText, LastLinesKeepsTheNewestInOrderWithoutLineBreaks) {
    std::string log;
    for (int i = 1; i <= 12; ++i) {
        log += "line " + std::to_string(i) + "\r\n";
    }
    const Lines last = lastLines(log, 10);
    ASSERT_EQ(last.size(), 10u);
    EXPECT_EQ(last.front(), "line 3");
    EXPECT_EQ(last.back(), "line 12");

    EXPECT_EQ(lastLines("a\nb\nunfinished", 2), (Lines{"b", "unfinished"}));
    EXPECT_EQ(lastLines("a\n\nb\n", 10), (Lines{"a", "", "b"}));
    EXPECT_EQ(lastLines("only\n", 10), Lines{"only"});
    EXPECT_EQ(lastLines("", 10), Lines{});
    EXPECT_EQ(lastLines("a\nb\n", 0), Lines{});
}

TEST(StatusText, HealthAnswerBecomesItsBodyItsErrorOrItsStatusLine) {
    EXPECT_EQ(
        describeHealthAnswer("HTTP/1.1 200 OK\r\nContent-Length: 16\r\n\r\n{\"healthy\":true}"),
        "{\"healthy\":true}");
    EXPECT_EQ(describeHealthAnswer("HTTP/1.1 500 Error\r\n\r\nRequest host not allowed"),
              "error: Request host not allowed");
    EXPECT_EQ(describeHealthAnswer("HTTP/1.0 404 Not Found\r\n\r\nnope"),
              "unexpected answer: HTTP/1.0 404 Not Found");
    EXPECT_EQ(describeHealthAnswer("HTTP/1.1 200 OK\r\nno end of head"),
              "unexpected answer: HTTP/1.1 200 OK");
    EXPECT_EQ(describeHealthAnswer(""), "unexpected answer: ");
}

}  // namespace
}  // namespace korvane::service
