// FeedCheck as the start-up decision and LoadPackage call it: through
// StartDownload, against real servers, before the wizard window exists.
#include "startup/feed_check.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "startup/feed_hex_text.h"
#include "startup/process_values.h"
#include "wizard/page_state.h"
#include "wizard/wizard_window.h"

namespace orvane {
namespace {

const std::string kServers = ORVANE_FEED_SERVER_DIR_WIN "\\";

void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

std::string FeedDocument(const std::string& text) {
  return "<html>$Orvane$" + ScrambleHexText(text, "5E1").text + "$Orvane$</html>";
}

// The hosts asked since the last call, as their last address digit pairs.
std::vector<std::string> HostsAsked() {
  std::ifstream file(kServers + "access.log", std::ios::binary);
  std::vector<std::string> hosts;
  std::string address, method, target;
  std::string line;
  while (std::getline(file, line)) {
    std::istringstream fields(line);
    fields >> address >> method >> target;
    if (target == "/cu.txt") hosts.push_back(address.substr(address.rfind('.') + 1));
  }
  file.close();
  std::ofstream(kServers + "access.log", std::ios::trunc);
  return hosts;
}

class FeedCheckTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(WizardHandle, nullptr);
    HostTemplates = {"127.0.2.11", "127.0.2.12", "127.0.2.13"};
    InstallPage = WizardPage::Welcome;
    TitleText = "before";
    VersionText = "before";
    for (const char* host : {"www11", "www12", "www13"}) {
      WriteBytes(kServers + host + "\\cu.txt", "<html>maintenance</html>");
    }
    HostsAsked();
  }
  void TearDown() override {
    HostTemplates = {};
    InstallPage = WizardPage::Welcome;
    TitleText.clear();
    VersionText.clear();
  }
};

TEST_F(FeedCheckTest, NewerVersionOnTheFirstHost) {
  WriteBytes(kServers + "www11\\cu.txt", FeedDocument("2024-05-01|123|测试工具_2.0.1"));
  EXPECT_EQ(FeedCheck(123, "2.0"), 0);
  EXPECT_EQ(TitleText, "测试工具");
  EXPECT_EQ(VersionText, "版本：2.0.1   发布日期：2024-05-01");
  EXPECT_EQ(InstallPage, WizardPage::Welcome);
  EXPECT_EQ(HostsAsked(), (std::vector<std::string>{"11"}));
}

TEST_F(FeedCheckTest, WebSiteHostAnswersBeforeTheSecondUpdateHostIsAsked) {
  WriteBytes(kServers + "www13\\cu.txt", FeedDocument("d|123|Tool_1.2.3"));
  EXPECT_EQ(FeedCheck(123, "1.2.3"), -1);
  EXPECT_EQ(InstallPage, WizardPage::UpToDate);
  EXPECT_EQ(TitleText, "Tool");
  EXPECT_EQ(HostsAsked(), (std::vector<std::string>{"11", "13"}));
}

TEST_F(FeedCheckTest, NoFeedAnywhereShowsTheNoNetworkPage) {
  EXPECT_EQ(FeedCheck(123, "1.0"), 0);
  EXPECT_EQ(InstallPage, WizardPage::NoNetwork);
  EXPECT_EQ(TitleText, "before");
  EXPECT_EQ(HostsAsked(), (std::vector<std::string>{"11", "13", "12"}));
}

TEST_F(FeedCheckTest, UnlistedProductChangesNothing) {
  WriteBytes(kServers + "www11\\cu.txt", FeedDocument("d|45|Other_9.0"));
  EXPECT_EQ(FeedCheck(123, "1.0"), 0);
  EXPECT_EQ(InstallPage, WizardPage::Welcome);
  EXPECT_EQ(TitleText, "before");
  EXPECT_EQ(VersionText, "before");
}

}  // namespace
}  // namespace orvane
