#include "server_rules.h"

#include <gtest/gtest.h>

#include "bounded_server.h"

namespace orvane::server {
namespace {

TEST(RequestCheckValue, SumOfXoredBytesThenRandomXorKey) {
  // abc with r = 1: (97^1) + (98^1) + (99^1) = 96 + 99 + 98 = 293.
  EXPECT_EQ(RequestCheckValueFor("abc", 1, 0), 293000 + 1);
  EXPECT_EQ(RequestCheckValueFor("abc", 1, 63), 293000 + (1 ^ 63));
  // Bytes count as 0..255: a GBK name's bytes are not negative.
  EXPECT_EQ(RequestCheckValueFor("\xB2\xE2", 1, 0), ((0xB2 ^ 1) + (0xE2 ^ 1)) * 1000 + 1);
}

TEST(RequestCheckValue, WrapsLikeASigned32BitNumber) {
  // 9000 bytes of 0xFF with r = 1: 2,286,000,000 before the wrap.
  const std::string name(9000, '\xFF');
  EXPECT_EQ(RequestCheckValueFor(name, 1, 0), static_cast<int32_t>(2286000001LL - 4294967296LL));
  EXPECT_TRUE(CheckValueMatches(name, 2286000001LL - 4294967296LL, 0));
}

TEST(CheckValueMatches, AcceptsEveryRandomNumberTheClientMayDraw) {
  for (int r = 1; r <= kMaxCheckRandom; r += 7) {
    EXPECT_TRUE(CheckValueMatches("Game.7z", RequestCheckValueFor("Game.7z", r, 37), 37)) << r;
  }
  EXPECT_TRUE(CheckValueMatches("abc", 293001, 0));
}

TEST(CheckValueMatches, RefusesOtherNamesKeysAndNumbers) {
  const int32_t value = RequestCheckValueFor("Game.7z", 5, 37);
  EXPECT_FALSE(CheckValueMatches("Other.7z", value, 37));
  EXPECT_FALSE(CheckValueMatches("Game.7z", value, 12));
  EXPECT_FALSE(CheckValueMatches("Game.7z", 0, 37));
  EXPECT_FALSE(CheckValueMatches("Game.7z", -value, 37));
  // r = 0 is never drawn.
  EXPECT_FALSE(CheckValueMatches("abc", RequestCheckValueFor("abc", 0, 7), 7));
}

TEST(ParseDecimal, TakesSignedWholeNumbersOnly) {
  EXPECT_EQ(ParseDecimal("593386"), 593386);
  EXPECT_EQ(ParseDecimal("-12"), -12);
  EXPECT_EQ(ParseDecimal("+7"), 7);
  for (const char* bad : {"", "-", "12a", " 12", "1.0", "1234567890123456789"}) {
    EXPECT_FALSE(ParseDecimal(bad)) << bad;
  }
}

TEST(MappedDownloadName, MatchesTheWizardsLaterAttempts) {
  EXPECT_EQ(MappedDownloadName("Game.7z"), "game.rar");
  EXPECT_EQ(MappedDownloadName("Tool.EXE"), "tool.jpg");
  EXPECT_EQ(MappedDownloadName("QQ123-2.qgi"), "qq123-2.jpg");
  EXPECT_EQ(MappedDownloadName("a.7z.exe"), "a.rar.jpg");
  EXPECT_EQ(MappedDownloadName("盤古Game.7z"), "盤古game.rar");
  EXPECT_EQ(DownloadLocation("game.rar"), "dowfile/game.rar");
  EXPECT_EQ(DownloadLocation("tool.jpg"), "dowfile/pipei/tool.jpg");
}

TEST(IsSafeSitePath, StaysInsideTheSiteFolder) {
  EXPECT_TRUE(IsSafeSitePath("dowfile/pipei/tool.jpg"));
  EXPECT_TRUE(IsSafeSitePath("cu.txt"));
  for (const char* bad : {"", "/etc/passwd", "dowfile/../server.conf", "dowfile/./x", "a//b",
                          "dowfile\\..\\x", "dowfile/"}) {
    EXPECT_FALSE(IsSafeSitePath(bad)) << bad;
  }
  EXPECT_FALSE(IsSafeSitePath(std::string("a\0b", 3)));
}

TEST(IndirectionPage, NamesTheAddressUpToADoubleQuote) {
  const auto page = IndirectionPage("http://127.0.2.2/dowfile/game.rar");
  ASSERT_TRUE(page);
  const size_t at = page->find("URL=");
  ASSERT_NE(at, std::string::npos);
  EXPECT_EQ(page->substr(at + 4, page->find('"', at) - at - 4),
            "http://127.0.2.2/dowfile/game.rar");
  EXPECT_GE(page->size(), 30u);
  EXPECT_LT(page->size(), 1000u);
}

TEST(IndirectionPage, RefusesPagesTheClientWouldTakeForTheFile) {
  EXPECT_FALSE(IndirectionPage("http://h/" + std::string(950, 'x')));
  EXPECT_FALSE(IndirectionPage("http://h/a\"b"));
}

TEST(AccelRedirectTarget, KeepsPlainNamesAndEncodesTheRest) {
  EXPECT_EQ(AccelRedirectTarget("dowfile/pipei/tool-1_a.b~.jpg"),
            "/orvane-site/dowfile/pipei/tool-1_a.b~.jpg");
  // UTF-8 bytes (测), blanks, "%", "?" and "#" would otherwise change the path.
  EXPECT_EQ(AccelRedirectTarget("dowfile/\xE6\xB5\x8B a%41?#.rar"),
            "/orvane-site/dowfile/%E6%B5%8B%20a%2541%3F%23.rar");
}

TEST(AllowedWait, TheRequestTimeoutCountsFromTheAcceptAndEachSendWaitsAnew) {
  using namespace std::chrono_literals;
  ConnectionLimits limits;
  limits.requestTimeout = 10s;
  limits.sendTimeout = 30s;
  const auto accepted = std::chrono::steady_clock::time_point() + 100s;
  EXPECT_EQ(AllowedWait(false, accepted, accepted, limits), 10000ms);
  EXPECT_EQ(AllowedWait(false, accepted, accepted + 9500ms, limits), 500ms);
  // Queued past the timeout already: no wait at all.
  EXPECT_EQ(AllowedWait(false, accepted, accepted + 10s, limits), 0ms);
  EXPECT_EQ(AllowedWait(false, accepted, accepted + 60s, limits), 0ms);
  // A fraction of a millisecond left is still a wait.
  EXPECT_EQ(AllowedWait(false, accepted, accepted + 9999500us, limits), 1ms);
  // Answering, however long the connection has lasted.
  EXPECT_EQ(AllowedWait(true, accepted, accepted + 3600s, limits), 30000ms);
}

TEST(PaceDelay, WaitsUntilTheBytesSentAreDue) {
  using std::chrono::microseconds;
  // 1000 bytes a second: 500 bytes are due half a second after the start.
  EXPECT_EQ(PaceDelay(500, 1000, microseconds(0)), microseconds(500000));
  EXPECT_EQ(PaceDelay(500, 1000, microseconds(200000)), microseconds(300000));
  EXPECT_EQ(PaceDelay(500, 1000, microseconds(500000)), microseconds(0));
  // Late already: no wait, never a negative one.
  EXPECT_EQ(PaceDelay(500, 1000, microseconds(900000)), microseconds(0));
  EXPECT_EQ(PaceDelay(0, 1000, microseconds(0)), microseconds(0));
  // No pace.
  EXPECT_EQ(PaceDelay(123456, 0, microseconds(0)), microseconds(0));
  // Counts past 4 GiB at a high rate do not overflow: 10 GB at 1 GB/s.
  EXPECT_EQ(PaceDelay(10000000000ull, 1000000000, microseconds(0)), microseconds(10000000));
  EXPECT_EQ(PaceDelay(1, 3, microseconds(0)), microseconds(333333));
}

TEST(PacedChunkSize, ATenthOfASecondWithinBounds) {
  EXPECT_EQ(PacedChunkSize(20000, 65536), 2000u);
  EXPECT_EQ(PacedChunkSize(5, 65536), 1u);
  EXPECT_EQ(PacedChunkSize(10, 65536), 1u);
  EXPECT_EQ(PacedChunkSize(100000000, 65536), 65536u);
}

TEST(ParseSiteConfig, ReadsKeysAndComments) {
  SiteConfig config;
  std::string error;
  ASSERT_TRUE(
      ParseSiteConfig("# studio\r\nport_answer = indirect\r\n\r\ncheck_key=42\n"
                      "indirect_host = dl.example\n",
                      config, error))
      << error;
  EXPECT_EQ(config.portAnswer, PortAnswer::Indirection);
  EXPECT_EQ(config.checkKey, 42);
  EXPECT_EQ(config.indirectHost, "dl.example");
}

TEST(ParseSiteConfig, NamesTheLineOfAMistake) {
  SiteConfig config;
  std::string error;
  EXPECT_FALSE(ParseSiteConfig("check_key = 1\nport_answer = maybe\n", config, error));
  EXPECT_NE(error.find("line 2"), std::string::npos) << error;
  EXPECT_FALSE(ParseSiteConfig("colour = blue", config, error));
  EXPECT_FALSE(ParseSiteConfig("check_key = 99999999999", config, error));
  EXPECT_FALSE(ParseSiteConfig("just words", config, error));
}

}  // namespace
}  // namespace orvane::server
