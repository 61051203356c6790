#include "net/download_rules.h"

#include <gtest/gtest.h>

namespace orvane {
namespace {

TEST(DownloadRulesTest, AttemptAddressesUseTheirHostsAndNameForms) {
  EXPECT_EQ(DownloadAddress(1, "127.0.0.11", "Game.7z", 293001),
            "http://127.0.0.11/port.php?c=do&a=Game.7z&b=293001");
  EXPECT_EQ(DownloadAddress(2, "127.0.0.12", "Game.7z", 0), "http://127.0.0.12/dowfile/game.rar");
  EXPECT_EQ(DownloadAddress(3, "127.0.0.13", "SETUP.EXE", 0),
            "http://127.0.0.13/dowfile/pipei/setup.jpg");
  EXPECT_EQ(DownloadAddress(2, "h", "hall.qgi", 0), "http://h/dowfile/pipei/hall.jpg");
  // Names go into the address as they are, GBK bytes included.
  EXPECT_EQ(DownloadAddress(2, "h", "游戏 1.7z", 0), "http://h/dowfile/游戏 1.rar");
  EXPECT_EQ(DownloadAddress(2, "h", "7-zip32.dll", 0), "http://h/dowfile/7-zip32.dll");
}

TEST(DownloadRulesTest, MappingReplacesEveryOccurrenceInOrder) {
  EXPECT_EQ(MappedDownloadName("A.EXE.7Z"), "a.jpg.rar");
  EXPECT_EQ(MappedDownloadName("x.qgi.exe"), "x.jpg.jpg");
  EXPECT_EQ(MappedDownloadName("電腦盤古.7Z"), "電腦盤古.rar");
}

TEST(DownloadRulesTest, CheckValueHidesRandomXorKeyInItsLastDigits) {
  EXPECT_EQ(RequestCheckValue("abc", 1, 0), 293001);
  EXPECT_EQ(RequestCheckValue("abc", 1, 63), 293000 + (1 ^ 63));
  const int32_t value = RequestCheckValue("Game.7z", 517, 41);
  EXPECT_EQ(value % 1000, 517 ^ 41);
  // A long name wraps like a signed 32-bit number.
  const std::string longName(9000, '\xFF');
  EXPECT_EQ(RequestCheckValue(longName, 1, 0),
            static_cast<int32_t>(static_cast<uint32_t>(9000u * 254u * 1000u + 1u)));
  EXPECT_EQ(CheckRandomFromFraction(0.0), 1);
  EXPECT_EQ(CheckRandomFromFraction(0.99999), 900);
}

TEST(DownloadRulesTest, ShortAnswersAndTheirIndirection) {
  EXPECT_EQ(JudgeAnswerSize(0), AnswerVerdict::kTooShort);
  EXPECT_EQ(JudgeAnswerSize(29), AnswerVerdict::kTooShort);
  EXPECT_EQ(JudgeAnswerSize(30), AnswerVerdict::kExamine);
  EXPECT_EQ(JudgeAnswerSize(999), AnswerVerdict::kExamine);
  EXPECT_EQ(JudgeAnswerSize(1000), AnswerVerdict::kAccepted);
  EXPECT_EQ(IndirectionAddress("<meta http-equiv=refresh content=\"0;URL=http://a/b.7z\">"),
            "http://a/b.7z");
  EXPECT_EQ(IndirectionAddress("URL=http://a/b.7z without a quote"), std::nullopt);
  EXPECT_EQ(IndirectionAddress("url=http://a/b\""), std::nullopt);
}

TEST(DownloadRulesTest, ProgressLineAndBar) {
  EXPECT_EQ(ProgressStatusText("name", 1048577, 2097152),
            "下载【name】中..完成:1024KB(50.00%)/共:2048KB");
  EXPECT_EQ(ProgressBarPosition(1048577, 2097152), 50);
  // Without an announced length the percentage runs far beyond 100.
  EXPECT_EQ(ProgressStatusText("x", 4097, 1), "下载【x】中..完成:4KB(409700.00%)/共:0KB");
  EXPECT_EQ(ProgressBarPosition(4097, 1), 409700);
  EXPECT_EQ(ProgressBarPosition(3, 200), 2);  // 1.5 rounds to even
}

}  // namespace
}  // namespace orvane
