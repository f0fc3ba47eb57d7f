#include "service/http/browser_guard.h"

#include <gtest/gtest.h>

#include <string>

namespace korvane::service {
namespace {

Status checkHeader(const std::string& line) {
    return checkRequestSource("POST /start HTTP/1.1\r\n" + line);
}

TEST(BrowserGuard, LetsRequestsWithoutHostOrOriginPass) {
    EXPECT_TRUE(checkRequestSource(""));
    EXPECT_TRUE(checkRequestSource("POST /start HTTP/1.1"));
    EXPECT_TRUE(checkRequestSource("POST /start HTTP/1.1\r\nX-Host: evil.com\r\nAccept: */*"));
}

TEST(BrowserGuard, AllowsLoopbackHostsWithAnyPort) {
    for (const char* host : {"127.0.0.1", "127.0.0.1:49190", "localhost", "LocalHost:80", "[::1]",
                             "[::1]:49190", "localhost:", " localhost\t"}) {
        EXPECT_TRUE(checkHeader(std::string("Host: ") + host)) << host;
    }
    EXPECT_TRUE(checkHeader("hOsT:localhost"));
}

TEST(BrowserGuard, RefusesOtherHosts) {
    for (const char* host :
         {"evil.com", "evil.com:49190", "127.0.0.1.evil.com", "localhost.evil.com", "app.localhost",
          "127.0.0.2", "0.0.0.0", "[::2]", "::1", "[::1", "localhost:http", "localhost@evil.com",
          "localhost:80@evil.com", "localhost evil.com", ""}) {
        const auto result = checkHeader(std::string("Host: ") + host);
        ASSERT_FALSE(result) << host;
        EXPECT_EQ(result.error(), "Request host not allowed") << host;
    }
    // Any refused Host header refuses the request, however it is spelled.
    EXPECT_FALSE(checkHeader("Host: localhost\r\nHOST : evil.com"));
}

TEST(BrowserGuard, AllowsLoopbackAndNonWebOrigins) {
    for (const char* origin :
         {"http://localhost", "http://localhost:3000", "https://127.0.0.1", "http://[::1]:8080",
          "HTTP://LOCALHOST", "http://app.localhost", "https://a.b-c.LOCALHOST:5173",
          "http://localhost/", "chrome-extension://abcdef", "tauri://localhost"}) {
        EXPECT_TRUE(checkHeader(std::string("Origin: ") + origin)) << origin;
    }
}

TEST(BrowserGuard, RefusesNullAndForeignWebOrigins) {
    for (const char* origin :
         {"null", "NULL", "http://evil.com", "https://evil.com:443", "http://localhost.evil.com",
          "http://127.0.0.1.nip.io", "http://localhost@evil.com", "http://localhost:80@evil.com",
          "http://.localhost", "http://a b.localhost", "http://", "https://[::2]",
          "http://localhost http://evil.com"}) {
        const auto result = checkHeader(std::string("Origin: ") + origin);
        ASSERT_FALSE(result) << origin;
        EXPECT_EQ(result.error(), "Request origin not allowed") << origin;
    }
}

TEST(BrowserGuard, NamesTheHostFirst) {
    const auto result = checkHeader("Origin: http://evil.com\r\nHost: evil.com");
    ASSERT_FALSE(result);
    EXPECT_EQ(result.error(), "Request host not allowed");
    EXPECT_FALSE(checkHeader("Host: 127.0.0.1:49190\r\nOrigin: http://evil.com"));
}

}  // namespace
}  // namespace korvane::service
