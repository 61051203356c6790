#include "net/http_response.h"

#include <gtest/gtest.h>

namespace orvane {
namespace {

TEST(HttpResponseTest, StatusIsJudgedOnItsFirstElevenBytes) {
  EXPECT_EQ(ClassifyStatus("HTTP/1.1 200 OK\r\n"), StatusClass::kSuccess);
  EXPECT_EQ(ClassifyStatus("http/1.0 206 Partial\r\n"), StatusClass::kSuccess);
  EXPECT_EQ(ClassifyStatus("HTTP/1.0 302 Found\r\n"), StatusClass::kRedirection);
  EXPECT_EQ(ClassifyStatus("HTTP/1.1 307"), StatusClass::kRedirection);
  EXPECT_EQ(ClassifyStatus("HTTP/1.1 404 Not Found\r\n"), StatusClass::kOther);
  EXPECT_EQ(ClassifyStatus("HTTP/2 200\r\n"), StatusClass::kOther);
  EXPECT_EQ(ClassifyStatus("HTTP/1.1 2"), StatusClass::kOther);
  EXPECT_TRUE(HasStatusCode("HTTP/1.0 206 x", "206"));
  EXPECT_FALSE(HasStatusCode("HTTP/1.1 20", "206"));
  EXPECT_FALSE(HasStatusCode("HTTX/1.1 206", "206"));
  EXPECT_FALSE(HasStatusCode("HTTP/1.1 200", "206"));
}

TEST(HttpResponseTest, AnnouncedLengthFallsBackToOne) {
  EXPECT_EQ(AnnouncedLength("HTTP/1.1 200 OK\r\nContent-Length: 5000\r\n\r\n"), 5000);
  EXPECT_EQ(AnnouncedLength("HTTP/1.1 200 OK\r\nContent-Length:   12.6\r\n\r\n"), 13);
  // The header name is matched in exactly this case.
  EXPECT_EQ(AnnouncedLength("HTTP/1.1 200 OK\r\ncontent-length: 5000\r\n\r\n"), 1);
  EXPECT_EQ(AnnouncedLength("HTTP/1.1 200 OK\r\n\r\n"), 1);
  EXPECT_EQ(AnnouncedLength("HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n"), 1);
  // A negative length must not look like the redirection marker -1.
  EXPECT_EQ(AnnouncedLength("HTTP/1.1 200 OK\r\nContent-Length: -1\r\n\r\n"), 1);
  EXPECT_EQ(AnnouncedLength("HTTP/1.1 200 OK\r\nContent-Length: 99999999999\r\n\r\n"), INT32_MAX);
  // Without the CR LF after it the value is not taken.
  EXPECT_EQ(AnnouncedLength("HTTP/1.1 200 OK\r\nContent-Length: 77"), 1);
}

TEST(HttpResponseTest, LocationAndRangeValues) {
  EXPECT_EQ(RedirectLocation("HTTP/1.1 302 Found\r\nLocation: /a/b\r\n\r\n"), "/a/b");
  EXPECT_EQ(RedirectLocation("HTTP/1.1 302 Found\r\nlocation: /a/b\r\n\r\n"), "");
  EXPECT_EQ(RedirectLocation("HTTP/1.1 302 Found\r\nLocation:/a\r\n\r\n"), "");
  EXPECT_EQ(ContentRangeStart("HTTP/1.1 206 x\r\nContent-Range: bytes 1000-4999/5000\r\n\r\n"),
            1000u);
  EXPECT_EQ(ContentRangeStart("HTTP/1.1 206 x\r\n\r\n"), std::nullopt);
  EXPECT_EQ(ContentRangeStart("HTTP/1.1 206 x\r\nContent-Range: bytes */5000\r\n\r\n"),
            std::nullopt);
}

TEST(HttpResponseTest, RequestTextIsExact) {
  EXPECT_EQ(BuildRequestText("127.0.0.11", "port.php?c=do&a=x.7z&b=1", std::nullopt),
            "GET /port.php?c=do&a=x.7z&b=1 HTTP/1.0\r\nHost: 127.0.0.11\r\n"
            "Connection: close\r\nUser-Agent: GetHTTP 0.0\r\n\r\n");
  EXPECT_EQ(BuildRequestText("h", "", 1000u),
            "GET / HTTP/1.0\r\nHost: h\r\nConnection: close\r\nRange: bytes=1000-\r\n"
            "User-Agent: GetHTTP 0.0\r\n\r\n");
}

}  // namespace
}  // namespace orvane
