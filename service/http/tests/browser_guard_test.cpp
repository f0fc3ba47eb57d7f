#include "service/http/browser_guard.h"

#include <gtest/gtest.h>

#include <string>

namespace korvane::service {
namespace {

Status checkHeader(const std::string& line) {
    return checkRequestSource("POST /start HTTP/1.1\r\nAccept: */*\r\n" + line);
}

std::string refusal(const Status& checked) {
    return checked ? "(allowed)" : checked.error();
}

TEST(BrowserGuard, LetsLoopbackAndHeaderlessRequestsPass) {
    EXPECT_TRUE(checkRequestSource("POST /start HTTP/1.1\r\nX-Host: evil.com"));
    for (const char* host : {"127.0.0.1", "127.0.0.1:49190", "LocalHost:80", "[::1]", "[::1]:49190",
                             "localhost:", " localhost\t"}) {
        EXPECT_TRUE(checkHeader(std::string("hOsT:") + host)) << host;
    }
    for (const char* origin :
         {"http://localhost:3000", "https://127.0.0.1", "http://[::1]:8080", "HTTP://LOCALHOST/",
          "https://a.b-c.LOCALHOST:5173", "chrome-extension://abcdef"}) {
        EXPECT_TRUE(checkHeader(std::string("Origin: ") + origin)) << origin;
    }
}

TEST(BrowserGuard, RefusesOtherHosts) {
    for (const char* host : {"evil.com:49190", "127.0.0.1.evil.com", "app.localhost", "127.0.0.2",
                             "0.0.0.0", "[::2]", "::1", "[::1", "localhost:http",
                             "localhost@evil.com", "localhost:80@evil.com", "localhost evil", ""}) {
        EXPECT_EQ(refusal(checkHeader(std::string("Host: ") + host)), "Request host not allowed")
            << host;
    }
    // Any refused Host header refuses the request, and it is named first.
    EXPECT_FALSE(checkHeader("Host: localhost\r\nHOST : evil.com"));
    EXPECT_EQ(refusal(checkHeader("Origin: null\r\nHost: evil.com")), "Request host not allowed");
}

TEST(BrowserGuard, RefusesNullAndForeignWebOrigins) {
    for (const char* origin :
         {"null", "NULL", "http://evil.com", "https://localhost.evil.com",
          "http://localhost@evil.com", "http://localhost:80@evil.com", "http://.localhost",
          "http://a b.localhost", "http://", "https://[::2]", "http://localhost http://evil.com"}) {
        EXPECT_EQ(refusal(checkHeader(std::string("Origin: ") + origin)),
                  "Request origin not allowed")
            << origin;
    }
}

}  // namespace
}  // namespace korvane::service
