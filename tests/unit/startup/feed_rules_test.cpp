#include "startup/feed_rules.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "startup/feed_hex_text.h"

namespace orvane {
namespace {

// A feed document as the studio's server sends it.
std::string FeedBody(const std::string& text, const std::string& key = "3C9A") {
  const auto scrambled = ScrambleHexText(text, key);
  EXPECT_EQ(scrambled.error, "");
  return "<html>$Orvane$" + scrambled.text + "$Orvane$</html>\r\n";
}

TEST(EvaluateFeed, NewerListedVersionFillsTheDisplayLines) {
  const auto e = EvaluateFeed(123, "2.0.0.1", FeedBody("2024-05-01|123|My_Tool_2.0.1@"));
  EXPECT_EQ(e.outcome, FeedOutcome::NewerListed);
  EXPECT_EQ(e.Result(), 0);
  EXPECT_EQ(e.title, "My_Tool");
  EXPECT_EQ(e.versionText, "版本：2.0.1   发布日期：2024-05-01");
  EXPECT_FALSE(e.page.has_value());
}

TEST(EvaluateFeed, CallerAtTheListedVersionIsCurrent) {
  const std::string body = FeedBody("d|7|Tool_1.2.3");
  const auto same = EvaluateFeed(7, "1.2.3", body);
  EXPECT_EQ(same.outcome, FeedOutcome::Current);
  EXPECT_EQ(same.Result(), -1);
  EXPECT_EQ(same.page, WizardPage::UpToDate);
  EXPECT_EQ(EvaluateFeed(7, "1.2.3.1", body).outcome, FeedOutcome::Current);
  EXPECT_EQ(EvaluateFeed(7, "1.2.2.9", body).outcome, FeedOutcome::NewerListed);
  EXPECT_EQ(EvaluateFeed(7, "", body).outcome, FeedOutcome::NewerListed);
}

TEST(EvaluateFeed, OnlyTheFirstRecordOfTheProductCounts) {
  const auto e = EvaluateFeed(5, "1.0", FeedBody("a|5|First_1.0@b|5|Second_9.0"));
  EXPECT_EQ(e.outcome, FeedOutcome::Current);
  EXPECT_EQ(e.title, "First");
}

TEST(EvaluateFeed, RecordsWithTwoFieldsAreSkipped) {
  const auto e = EvaluateFeed(5, "1.0", FeedBody("a|5@@b|5|Tool_2.0|extra|fields"));
  EXPECT_EQ(e.outcome, FeedOutcome::NewerListed);
  EXPECT_EQ(e.versionText, "版本：2.0   发布日期：b");
}

TEST(EvaluateFeed, ProductFieldIsReadAsANumber) {
  EXPECT_EQ(EvaluateFeed(42, "3", FeedBody("x| 42|T_3")).outcome, FeedOutcome::Current);
  EXPECT_EQ(EvaluateFeed(42, "3", FeedBody("x|42.0|T_3")).outcome, FeedOutcome::Current);
  EXPECT_EQ(EvaluateFeed(42, "3", FeedBody("x|421|T_3@x|4|T_3")).outcome, FeedOutcome::NotListed);
}

TEST(EvaluateFeed, TitleAndVersionSplitAtTheLastUnderscore) {
  const auto e = EvaluateFeed(9, "1", FeedBody("|9|测试_工具_3.5"));
  EXPECT_EQ(e.title, "测试_工具");
  EXPECT_EQ(e.versionText, "版本：3.5   发布日期：");
  const auto bare = EvaluateFeed(9, "1", FeedBody("|9|_"));
  EXPECT_EQ(bare.title, "");
  EXPECT_EQ(bare.outcome, FeedOutcome::Current);  // "" is 0.0.0.0, not newer than 1
}

TEST(EvaluateFeed, RecordWithoutUnderscoreStopsTheSearch) {
  const auto e = EvaluateFeed(9, "1", FeedBody("d|9|NoVersion@d|9|Tool_5.0"));
  EXPECT_EQ(e.outcome, FeedOutcome::NoVersionInTitle);
  EXPECT_EQ(e.Result(), 0);
  EXPECT_FALSE(e.title.has_value());
  EXPECT_FALSE(e.versionText.has_value());
  EXPECT_FALSE(e.page.has_value());
}

TEST(EvaluateFeed, DocumentWithoutTwoMarkersIsUnreadable) {
  for (const char* body : {"", "<html>404</html>", "$Orvane$035A12337B"}) {
    const auto e = EvaluateFeed(1, "1", body);
    EXPECT_EQ(e.outcome, FeedOutcome::Unreadable) << body;
    EXPECT_EQ(e.page, WizardPage::NoNetwork) << body;
    EXPECT_EQ(e.Result(), 0);
  }
}

TEST(EvaluateFeed, TooShortPayloadListsNothing) {
  const auto e = EvaluateFeed(1, "1", "$Orvane$123456789$Orvane$");
  EXPECT_EQ(e.outcome, FeedOutcome::NotListed);
  EXPECT_FALSE(e.page.has_value());
}

TEST(EvaluateFeed, OnlyTheFirstTwoMarkersDelimitThePayload) {
  const std::string body = FeedBody("d|3|A_1") + "$Orvane$" + "garbage";
  EXPECT_EQ(EvaluateFeed(3, "1", body).outcome, FeedOutcome::Current);
}

class FeedApplyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TitleText = "old title";
    VersionText = "old version";
    InstallPage = WizardPage::Welcome;
    HostTemplates = {"first.example", "second.example", "web.example"};
  }
  void TearDown() override {
    TitleText.clear();
    VersionText.clear();
    InstallPage = WizardPage::Welcome;
    HostTemplates = {};
  }
};

TEST_F(FeedApplyTest, UnlistedProductLeavesTextsAndPage) {
  EXPECT_FALSE(ApplyFeedEvaluation(EvaluateFeed(8, "1", FeedBody("d|9|T_1"))));
  EXPECT_EQ(TitleText, "old title");
  EXPECT_EQ(VersionText, "old version");
  EXPECT_EQ(InstallPage, WizardPage::Welcome);
}

TEST_F(FeedApplyTest, CurrentCallerMovesToTheUpToDatePage) {
  EXPECT_TRUE(ApplyFeedEvaluation(EvaluateFeed(9, "2", FeedBody("d|9|T_1"))));
  EXPECT_EQ(TitleText, "T");
  EXPECT_EQ(VersionText, "版本：1   发布日期：d");
  EXPECT_EQ(InstallPage, WizardPage::UpToDate);
}

TEST_F(FeedApplyTest, HostsAreAskedFirstUpdateThenWebSiteThenSecondUpdate) {
  std::vector<std::string> asked;
  int repaints = 0;
  const int32_t result = RunFeedCheck(
      9, "1",
      [&](const std::string& address) {
        asked.push_back(address);
        return std::string("no feed here");
      },
      [&] { ++repaints; });
  EXPECT_EQ(result, 0);
  EXPECT_EQ(asked,
            (std::vector<std::string>{"http://first.example/cu.txt", "http://web.example/cu.txt",
                                      "http://second.example/cu.txt"}));
  EXPECT_EQ(InstallPage, WizardPage::NoNetwork);
  EXPECT_EQ(repaints, 1);
}

TEST_F(FeedApplyTest, FirstBodyWithTheMarkerEndsTheSearch) {
  std::vector<std::string> asked;
  int repaints = 0;
  const int32_t result = RunFeedCheck(
      9, "1.0",
      [&](const std::string& address) {
        asked.push_back(address);
        return asked.size() == 1 ? std::string() : FeedBody("d|9|Tool_1.0");
      },
      [&] { ++repaints; });
  EXPECT_EQ(result, -1);
  EXPECT_EQ(asked.size(), 2u);
  EXPECT_EQ(InstallPage, WizardPage::UpToDate);
  EXPECT_EQ(repaints, 1);
}

TEST_F(FeedApplyTest, NewerVersionNeedsNoRepaint) {
  int repaints = 0;
  const int32_t result = RunFeedCheck(
      9, "0.9", [&](const std::string&) { return FeedBody("d|9|Tool_1.0"); }, [&] { ++repaints; });
  EXPECT_EQ(result, 0);
  EXPECT_EQ(repaints, 0);
  EXPECT_EQ(TitleText, "Tool");
  EXPECT_EQ(InstallPage, WizardPage::Welcome);
}

}  // namespace
}  // namespace orvane
