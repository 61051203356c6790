// Next and Back clicked on the real wizard: the page, headings, captions
// and the edit box change as the page flow says; hidden buttons do nothing.
#include <gtest/gtest.h>
#include <windows.h>

#include "package/package_info.h"
#include "startup/process_values.h"
#include "win/pages/pages_fixture.h"
#include "wizard/controls.h"
#include "wizard/page_actions.h"
#include "wizard/page_state.h"

namespace orvane::pages_test {
namespace {

using PageActionsTest = WizardPagesTest;

void Click(HWND window, HWND button, int id) {
  SendMessageA(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button));
}

TEST_F(PageActionsTest, NextBeforeThePackageIsReadLeavesTheWelcomePage) {
  PackageFilePath.clear();
  ShowPage(1);
  Click(window_, NextButton, kNextButtonId);
  Settle();
  EXPECT_EQ(InstallPage, WizardPage::Welcome);
  EXPECT_EQ(WindowTextOf(TargetFolderEdit), "");
  EXPECT_FALSE(IsWindowVisible(TargetFolderEdit));
}

TEST_F(PageActionsTest, NextFromWelcomeShowsTheFolderPageWithTheProgramFolder) {
  ProgramFolder = "C:\\Orvane\\";
  ShowPage(1);
  Click(window_, NextButton, kNextButtonId);
  Settle();
  EXPECT_EQ(InstallPage, WizardPage::TargetFolder);
  EXPECT_EQ(PageHeading, "选择安装位置");
  EXPECT_EQ(PageSubheading, "选择“图片工具”的安装文件夹");
  EXPECT_EQ(WindowTextOf(TargetFolderEdit), "C:\\Orvane\\");
  EXPECT_TRUE(IsWindowVisible(BrowseButton));  // repainted at once

  Click(window_, BackButton, kBackButtonId);
  Settle();
  EXPECT_EQ(InstallPage, WizardPage::Welcome);
  EXPECT_FALSE(IsWindowVisible(BrowseButton));
}

TEST_F(PageActionsTest, BackThenNextFromFinishSwapsTheNextCaption) {
  SetControlText(NextButton, "完成");
  ShowPage(4);
  Click(window_, BackButton, kBackButtonId);
  Settle();
  EXPECT_EQ(InstallPage, WizardPage::Installing);
  EXPECT_EQ(WindowTextOf(NextButton), "下一步");
  EXPECT_EQ(PageHeading, "解压缩文件");
  Click(window_, NextButton, kNextButtonId);
  Settle();
  EXPECT_EQ(InstallPage, WizardPage::Finish);
  EXPECT_EQ(WindowTextOf(NextButton), "完成");
  EXPECT_EQ(PageHeading, "安装选项");
  EXPECT_TRUE(IsWindowVisible(LaunchAfterFinishCheck));
}

TEST_F(PageActionsTest, NextOnFinishInExtractOnlyModeClosesTheWizard) {
  PackageInfo.fileName = kExtractOnlyFileName;
  ShowPage(4);
  Click(window_, NextButton, kNextButtonId);
  Settle();
  EXPECT_FALSE(IsWindow(window_));
}

TEST_F(PageActionsTest, ButtonsDoNothingOnPagesThatHideThem) {
  for (int page : {0, 5, 6}) {
    ShowPage(page);
    PageHeading = "unchanged";
    SetControlText(NextButton, "下一步");
    OnNextClicked(0, window_, NextButton, kNextButtonId);
    OnBackClicked(0, window_, BackButton, kBackButtonId);
    Settle();
    EXPECT_EQ(static_cast<int>(InstallPage), page);
    EXPECT_EQ(PageHeading, "unchanged");
    EXPECT_EQ(WindowTextOf(NextButton), "下一步");
    EXPECT_TRUE(IsWindow(window_));
  }
}

}  // namespace
}  // namespace orvane::pages_test
