#include "wizard/page_flow.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace orvane {
namespace {

PageFlowInput At(WizardPage page, bool extractOnly = false) {
  PageFlowInput input;
  input.page = page;
  input.extractOnly = extractOnly;
  input.packageName = "图片工具";
  input.packageDescription = "图片工具V2";
  input.programFolder = "C:\\程序\\";
  return input;
}

// Applies a step the way the Win32 side does, on a small model of the
// wizard, and counts the work handed on.
struct WizardModel {
  explicit WizardModel(PageFlowInput start) : input(std::move(start)) {}

  PageFlowInput input;
  std::string heading;
  std::string subheading;
  std::string nextCaption = kNextCaption;
  std::string targetFolder;
  int repaints = 0;
  int installSteps = 0;
  int finishActions = 0;
  int closes = 0;

  void Apply(const PageStep& step) {
    if (step.heading) heading = *step.heading;
    if (step.subheading) subheading = *step.subheading;
    if (step.nextCaption) nextCaption = *step.nextCaption;
    if (step.targetFolderText) targetFolder = *step.targetFolderText;
    if (step.page) input.page = *step.page;
    if (step.repaint) ++repaints;
    if (step.work == PageWork::RunInstallStep) ++installSteps;
    if (step.work == PageWork::CreateShortcutAndLaunch) ++finishActions;
    if (step.work == PageWork::CloseWizard) ++closes;
  }
  void Next() { Apply(NextStep(input)); }
  void Back() { Apply(BackStep(input)); }
};

TEST(PageFlowNext, WelcomeOpensTheFolderPageWithTheProgramFolder) {
  const PageStep step = NextStep(At(WizardPage::Welcome));
  EXPECT_EQ(step.page, WizardPage::TargetFolder);
  EXPECT_EQ(step.heading, "选择安装位置");
  EXPECT_EQ(step.subheading, "选择“图片工具”的安装文件夹");
  EXPECT_EQ(step.targetFolderText, "C:\\程序\\");
  EXPECT_FALSE(step.nextCaption);
  EXPECT_TRUE(step.repaint);
  EXPECT_EQ(step.work, PageWork::None);
}

TEST(PageFlowNext, WelcomeBeforeThePackageIsReadDoesNothing) {
  for (const bool extractOnly : {false, true}) {
    PageFlowInput input = At(WizardPage::Welcome, extractOnly);
    input.packageLoaded = false;
    EXPECT_TRUE(NextStep(input).DoesNothing()) << "extract-only " << extractOnly;
  }
}

TEST(PageFlowNext, WelcomeInExtractOnlyModeStartsTheInstallStepWithoutAFolderPage) {
  const PageStep step = NextStep(At(WizardPage::Welcome, true));
  EXPECT_FALSE(step.page);  // the install step moves the wizard on
  EXPECT_EQ(step.targetFolderText, "C:\\程序\\图片工具V2");
  EXPECT_FALSE(step.heading);
  EXPECT_FALSE(step.repaint);
  EXPECT_EQ(step.work, PageWork::RunInstallStep);
}

TEST(PageFlowNext, TargetFolderRunsTheInstallStepAndChangesNothingItself) {
  for (bool extractOnly : {false, true}) {
    const PageStep step = NextStep(At(WizardPage::TargetFolder, extractOnly));
    EXPECT_EQ(step.work, PageWork::RunInstallStep);
    EXPECT_FALSE(step.page);
    EXPECT_FALSE(step.targetFolderText);  // the step reads the edit box as the user left it
    EXPECT_FALSE(step.repaint);
  }
}

TEST(PageFlowNext, InstallingGoesToFinishWithTheFinishCaption) {
  const PageStep normal = NextStep(At(WizardPage::Installing));
  EXPECT_EQ(normal.page, WizardPage::Finish);
  EXPECT_EQ(normal.heading, "安装选项");
  EXPECT_EQ(normal.subheading, "感谢你使用“图片工具”");
  EXPECT_EQ(normal.nextCaption, "完成");
  EXPECT_TRUE(normal.repaint);
  EXPECT_EQ(normal.work, PageWork::None);

  const PageStep extractOnly = NextStep(At(WizardPage::Installing, true));
  EXPECT_EQ(extractOnly.page, WizardPage::Finish);
  EXPECT_EQ(extractOnly.heading, "安装完成");
  EXPECT_EQ(extractOnly.subheading, "感谢你使用“图片工具”");
}

TEST(PageFlowNext, FinishLaunchesOrClosesByMode) {
  const PageStep normal = NextStep(At(WizardPage::Finish));
  EXPECT_EQ(normal.work, PageWork::CreateShortcutAndLaunch);
  EXPECT_FALSE(normal.page);

  const PageStep extractOnly = NextStep(At(WizardPage::Finish, true));
  EXPECT_EQ(extractOnly.work, PageWork::CloseWizard);
  EXPECT_FALSE(extractOnly.page);
}

TEST(PageFlowBack, TargetFolderReturnsToWelcome) {
  const PageStep step = BackStep(At(WizardPage::TargetFolder));
  EXPECT_EQ(step.page, WizardPage::Welcome);
  EXPECT_TRUE(step.repaint);
  EXPECT_FALSE(step.heading);
  EXPECT_FALSE(step.targetFolderText);
  EXPECT_EQ(step.work, PageWork::None);
}

TEST(PageFlowBack, InstallingReturnsToTheFolderPageWithItsHeadingAgain) {
  const PageStep step = BackStep(At(WizardPage::Installing));
  EXPECT_EQ(step.page, WizardPage::TargetFolder);
  EXPECT_EQ(step.heading, "选择安装位置");
  EXPECT_EQ(step.subheading, "选择“图片工具”的安装文件夹");
  EXPECT_FALSE(step.targetFolderText);  // the user's folder stays
  EXPECT_TRUE(step.repaint);
  EXPECT_EQ(step.work, PageWork::None);
}

TEST(PageFlowBack, FinishReturnsToInstallingWithTheNextCaption) {
  const PageStep step = BackStep(At(WizardPage::Finish));
  EXPECT_EQ(step.page, WizardPage::Installing);
  EXPECT_EQ(step.heading, "解压缩文件");
  EXPECT_EQ(step.subheading, "解压“图片工具”的安装包");
  EXPECT_EQ(step.nextCaption, "下一步");
  EXPECT_TRUE(step.repaint);
  EXPECT_EQ(step.work, PageWork::None);
}

TEST(PageFlowButtons, DoNothingOnPagesWithoutThem) {
  for (bool extractOnly : {false, true}) {
    for (WizardPage page : {WizardPage::Downloading, WizardPage::UpToDate, WizardPage::NoNetwork}) {
      EXPECT_TRUE(NextStep(At(page, extractOnly)).DoesNothing()) << static_cast<int>(page);
      EXPECT_TRUE(BackStep(At(page, extractOnly)).DoesNothing()) << static_cast<int>(page);
    }
    EXPECT_TRUE(BackStep(At(WizardPage::Welcome, extractOnly)).DoesNothing());
  }
}

TEST(PageFlowButtons, UnknownPageValuesDoNothing) {
  for (int value : {-1, 7, 1000}) {
    PageFlowInput input = At(static_cast<WizardPage>(value));
    EXPECT_TRUE(NextStep(input).DoesNothing()) << value;
    EXPECT_TRUE(BackStep(input).DoesNothing()) << value;
  }
}

TEST(PageFlowRoads, BackThenNextFromFinishReturnsWithoutASecondExtraction) {
  WizardModel wizard{At(WizardPage::Welcome)};
  wizard.Next();
  EXPECT_EQ(wizard.input.page, WizardPage::TargetFolder);
  wizard.Next();
  EXPECT_EQ(wizard.installSteps, 1);
  // The install step ends on Finish with the finish caption.
  wizard.input.page = WizardPage::Finish;
  wizard.nextCaption = kFinishCaption;

  wizard.Back();
  EXPECT_EQ(wizard.input.page, WizardPage::Installing);
  EXPECT_EQ(wizard.nextCaption, "下一步");
  wizard.Next();
  EXPECT_EQ(wizard.input.page, WizardPage::Finish);
  EXPECT_EQ(wizard.nextCaption, "完成");
  EXPECT_EQ(wizard.heading, "安装选项");
  EXPECT_EQ(wizard.installSteps, 1);
  EXPECT_EQ(wizard.finishActions, 0);

  wizard.Next();
  EXPECT_EQ(wizard.finishActions, 1);
  EXPECT_EQ(wizard.closes, 0);
}

TEST(PageFlowRoads, ExtractOnlyRoadNeverShowsTheFolderPage) {
  WizardModel wizard{At(WizardPage::Welcome, true)};
  wizard.Next();
  EXPECT_EQ(wizard.input.page, WizardPage::Welcome);
  EXPECT_EQ(wizard.targetFolder, "C:\\程序\\图片工具V2");
  EXPECT_EQ(wizard.installSteps, 1);
  wizard.input.page = WizardPage::Finish;  // where the install step ends

  wizard.Back();
  wizard.Next();
  EXPECT_EQ(wizard.input.page, WizardPage::Finish);
  EXPECT_EQ(wizard.heading, "安装完成");
  EXPECT_EQ(wizard.installSteps, 1);

  wizard.Next();
  EXPECT_EQ(wizard.closes, 1);
  EXPECT_EQ(wizard.finishActions, 0);
}

TEST(PageFlowRoads, BackFromTheFolderPageAndNextAgainResetsTheFolder) {
  WizardModel wizard{At(WizardPage::Welcome)};
  wizard.Next();
  wizard.targetFolder = "D:\\Tools";
  wizard.Back();
  EXPECT_EQ(wizard.input.page, WizardPage::Welcome);
  EXPECT_EQ(wizard.targetFolder, "D:\\Tools");
  wizard.Next();
  EXPECT_EQ(wizard.targetFolder, "C:\\程序\\");
}

TEST(FolderBrowserRule, TitleWrapsTheProductTitle) {
  EXPECT_EQ(FolderBrowserTitle("图片工具 V2"), "选择安装【图片工具 V2】目标文件夹");
  EXPECT_EQ(FolderBrowserTitle(""), "选择安装【】目标文件夹");
}

TEST(FolderBrowserRule, OnlyPathsOnADriveLetterAreAccepted) {
  EXPECT_TRUE(IsDriveLetterPath("C:\\"));
  EXPECT_TRUE(IsDriveLetterPath("D:\\Games\\工具"));
  EXPECT_TRUE(IsDriveLetterPath("z:"));
  EXPECT_FALSE(IsDriveLetterPath("\\\\server\\share"));
  EXPECT_FALSE(IsDriveLetterPath(""));
  EXPECT_FALSE(IsDriveLetterPath("C"));
  EXPECT_FALSE(IsDriveLetterPath("::{20D04FE0-3AEA-1069-A2D8-08002B30309D}"));
}

}  // namespace
}  // namespace orvane
