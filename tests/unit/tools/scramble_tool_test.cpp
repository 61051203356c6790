#include <gtest/gtest.h>

#include <random>

#include "startup/feed_hex_text.h"
#include "startup/feed_rules.h"
#include "tool_runner.h"

namespace orvane::tools_test {
namespace {

const std::string kTool = ORVANE_SCRAMBLE_TOOL;
const char* Utf8(const char8_t* text) {
  return reinterpret_cast<const char*>(text);
}

TEST(ScrambleTool, FeedDocumentReadsBackInTheWizard) {
  const auto run = RunTool(kTool, {"encode", "--feed", "--key", "3c9a"},
                           Utf8(u8"2024-05-01|123|测试工具_2.0.1@2024-04-01|45|My_Tool_1.10\n"));
  ASSERT_EQ(run.exitCode, 0) << run.err;
  const auto e = EvaluateFeed(123, "2.0", run.out);
  EXPECT_EQ(e.outcome, FeedOutcome::NewerListed);
  EXPECT_EQ(e.title, "测试工具");  // GBK, as the wizard shows it
  EXPECT_EQ(e.versionText, "版本：2.0.1   发布日期：2024-05-01");
  EXPECT_EQ(EvaluateFeed(45, "1.10", run.out).outcome, FeedOutcome::Current);
  // The trailing line break of the input is not part of the last record.
  EXPECT_EQ(DecodeHexText(*FeedPayload(run.out)).back(), '0');
}

TEST(ScrambleTool, DecodeGivesTheTextBack) {
  const std::string text = Utf8(u8"斗地主,斗地主 窗口,ddz.7z,ddz.exe");
  const auto encoded = RunTool(kTool, {"encode", "--key-length", "17"}, text);
  ASSERT_EQ(encoded.exitCode, 0) << encoded.err;
  EXPECT_EQ(encoded.out.substr(0, 2), "12");  // m = 18 announces 17 key digits
  const auto decoded = RunTool(kTool, {"decode"}, encoded.out);
  ASSERT_EQ(decoded.exitCode, 0) << decoded.err;
  EXPECT_EQ(decoded.out, text + "\n");
}

TEST(ScrambleTool, RawBytesComeBackExactlyForRandomKeys) {
  std::mt19937 random(7);
  std::uniform_int_distribution<int> byte(0, 255);
  ScratchFolder scratch;
  for (int round = 0; round < 4; ++round) {
    std::string plain(5 + round * 97, '\0');
    for (char& c : plain) c = static_cast<char>(byte(random));
    const std::string in = scratch.Write("plain", plain);
    const std::string length = std::to_string(1 + round * 70);
    ASSERT_EQ(RunTool(kTool, {"encode", "--raw", "--key-length", length, "-i", in, "-o",
                              scratch.File("scrambled")})
                  .exitCode,
              0);
    ASSERT_EQ(RunTool(kTool, {"decode", "--raw", "-i", scratch.File("scrambled"), "-o",
                              scratch.File("back")})
                  .exitCode,
              0);
    EXPECT_EQ(scratch.Read("back"), plain) << "key length " << length;
  }
}

TEST(ScrambleTool, RefusesWhatTheWizardCouldNotReadBack) {
  const auto tooShort = RunTool(kTool, {"encode", "--raw", "--key", "5A"}, "Hi");
  EXPECT_EQ(tooShort.exitCode, 1);
  EXPECT_NE(tooShort.err.find("longer key"), std::string::npos) << tooShort.err;
  EXPECT_EQ(RunTool(kTool, {"encode", "--key", "XYZ"}, "text").exitCode, 1);
  EXPECT_EQ(RunTool(kTool, {"encode", "--key-length", "255"}, "text").exitCode, 1);
  EXPECT_EQ(RunTool(kTool, {"encode", "--key-length", "0"}, "text").exitCode, 1);
  // An emoji has no GBK code; invalid UTF-8 is not text.
  EXPECT_EQ(RunTool(kTool, {"encode"}, "\xF0\x9F\x98\x80 game").exitCode, 1);
  EXPECT_EQ(RunTool(kTool, {"encode"}, "\xFF\xFE").exitCode, 1);
}

TEST(ScrambleTool, DecodeOfAFeedNeedsBothMarkers) {
  const auto run = RunTool(kTool, {"decode", "--feed"}, "$Orvane$035A12337B");
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.err.find("$Orvane$"), std::string::npos);
}

TEST(ScrambleTool, UsageMistakesAndHelp) {
  const auto help = RunTool(kTool, {"--help"});
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_NE(help.out.find("usage: orvane-scramble"), std::string::npos);
  EXPECT_EQ(RunTool(kTool, {}).exitCode, 2);
  EXPECT_EQ(RunTool(kTool, {"encode", "decode"}).exitCode, 2);
  EXPECT_EQ(RunTool(kTool, {"encode", "--key", "1", "--key-length", "3"}).exitCode, 2);
  EXPECT_EQ(RunTool(kTool, {"encode", "--key"}).exitCode, 2);
  EXPECT_EQ(RunTool(kTool, {"decode", "-i", "/nonexistent/feed"}).exitCode, 1);
}

}  // namespace
}  // namespace orvane::tools_test
