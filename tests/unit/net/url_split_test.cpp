#include "net/url_split.h"

#include <gtest/gtest.h>

namespace orvane {
namespace {

struct Split {
  std::string host;
  std::string path;
  int32_t port = 0;
};

Split SplitFresh(std::string_view url) {
  Split s;
  SplitUrl(url, s.host, s.path, s.port);
  return s;
}

TEST(SplitUrlTest, AbsoluteAddressesGiveHostPathAndPort80) {
  const Split plain = SplitFresh("http://127.0.0.11/port.php?c=do&a=Game.7z&b=293001");
  EXPECT_EQ(plain.host, "127.0.0.11");
  EXPECT_EQ(plain.path, "port.php?c=do&a=Game.7z&b=293001");
  EXPECT_EQ(plain.port, 80);

  // https is still fetched in plain HTTP on port 80.
  const Split secure = SplitFresh("  HTTPS://Example.COM/Dir/File.7z  ");
  EXPECT_EQ(secure.host, "Example.COM");
  EXPECT_EQ(secure.path, "Dir/File.7z");
  EXPECT_EQ(secure.port, 80);

  const Split bare = SplitFresh("http://host.only");
  EXPECT_EQ(bare.host, "host.only");
  EXPECT_EQ(bare.path, "");
}

TEST(SplitUrlTest, PortSyntaxStaysPartOfTheHostName) {
  const Split s = SplitFresh("http://127.0.0.11:8080/cu.txt");
  EXPECT_EQ(s.host, "127.0.0.11:8080");
  EXPECT_EQ(s.path, "cu.txt");
  EXPECT_EQ(s.port, 80);
}

TEST(SplitUrlTest, AddressWithoutSchemeAndNoKnownHostNamesTheHost) {
  const Split s = SplitFresh("server.example/a/b");
  EXPECT_EQ(s.host, "server.example");
  EXPECT_EQ(s.path, "a/b");
  EXPECT_EQ(s.port, 80);
}

TEST(SplitUrlTest, RelativeLocationsKeepHostAndPort) {
  std::string host = "127.0.1.2";
  std::string path = "old";
  int32_t port = 8081;  // a port given on entry stays for relative addresses
  SplitUrl("/new/place?x=1", host, path, port);
  EXPECT_EQ(host, "127.0.1.2");
  EXPECT_EQ(path, "new/place?x=1");
  EXPECT_EQ(port, 8081);

  SplitUrl("below/root", host, path, port);
  EXPECT_EQ(path, "below/root");
  EXPECT_EQ(host, "127.0.1.2");

  // A redirection without a Location asks for the server root.
  SplitUrl("", host, path, port);
  EXPECT_EQ(path, "");
  EXPECT_EQ(host, "127.0.1.2");
}

TEST(SplitUrlTest, AbsoluteLocationReplacesHostAndResetsPort) {
  std::string host = "old.example";
  std::string path;
  int32_t port = 8081;
  SplitUrl("http://new.example/x", host, path, port);
  EXPECT_EQ(host, "new.example");
  EXPECT_EQ(path, "x");
  EXPECT_EQ(port, 80);
}

TEST(SplitUrlTest, EmptyHostIsReported) {
  EXPECT_EQ(SplitFresh("http:///x").host, "");
  EXPECT_EQ(SplitFresh("   ").host, "");
}

}  // namespace
}  // namespace orvane
