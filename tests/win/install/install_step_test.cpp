// The install step in this process: the checks of the typed folder, the
// free-space road back to the folder page, a whole install into a fresh
// folder, and the extraction-failure question.
#include "install/install_step.h"

#include <windows.h>

#include <string>

#include "install/archive_library.h"
#include "package/package_info.h"
#include "startup/process_values.h"
#include "win/install/install_win_fixture.h"
#include "wizard/controls.h"
#include "wizard/page_actions.h"
#include "wizard/page_state.h"
#include "wizard/wizard_window.h"

namespace orvane::install_test {
namespace {

const char* const kPackageFiles[] = {"readme.txt", "empty.txt", "bin\\app.dat", "数据\\说明.txt"};

class InstallStepTest : public WizardTest {
 protected:
  void SetUp() override {
    WizardTest::SetUp();
    // A program folder of its own with the archiver library beside it; the
    // library an earlier test loaded from its folder is let go first.
    ReleaseArchiveLibrary();
    ProgramFolder = FreshFolder("step-program");
    ASSERT_TRUE(CopyFileA((BuildFolder() + "7-zip32.dll").c_str(),
                          (ProgramFolder + "7-zip32.dll").c_str(), FALSE));
    PackageInfo = PackageRecord{};
    PackageInfo.name = "测试软件";
    PackageInfo.fileName = "app.exe";
    PackageFilePath = ProgramFolder + "123.7z";
    ASSERT_TRUE(CopyFileA((DataFolder() + "package.7z").c_str(), PackageFilePath.c_str(), FALSE));
    GameWindowTitle.clear();
    EnableControl(NextButton, true);
    SetControlText(NextButton, "下一步");
  }
};

TEST_F(InstallStepTest, DriveAloneGetsTheDefaultFolderAfterTheBox) {
  SetControlText(TargetFolderEdit, "  C:\\ ");
  BoxAnswerer boxes([](const driver::MessageBoxInfo&) { return IDOK; });
  RunInstallStep();
  ASSERT_EQ(boxes.boxes().size(), 1u);
  EXPECT_EQ(boxes.boxes()[0].caption, "软件安装");
  EXPECT_EQ(boxes.boxes()[0].text.rfind("必须安装在文件夹中！！！", 0), 0u);
  EXPECT_EQ(ControlText(TargetFolderEdit), "C:\\Orvane软件\\测试软件");
  EXPECT_EQ(InstallPage, WizardPage::TargetFolder);
}

TEST_F(InstallStepTest, NetworkPathAndForwardSlashAreRefusedUnchanged) {
  for (const char* typed : {"\\\\server\\share\\x", "C:/x/y", "ab"}) {
    SCOPED_TRACE(typed);
    SetControlText(TargetFolderEdit, typed);
    BoxAnswerer boxes([](const driver::MessageBoxInfo&) { return IDOK; });
    RunInstallStep();
    ASSERT_EQ(boxes.boxes().size(), 1u);
    EXPECT_EQ(boxes.boxes()[0].text.rfind("目标文件夹路径错误！！！", 0), 0u);
    EXPECT_EQ(ControlText(TargetFolderEdit), typed);
  }
}

TEST_F(InstallStepTest, MissingDriveFailsTheSpaceCheckAndGivesTheFolderPageBack) {
  SetControlText(TargetFolderEdit, "Q:\\Nowhere");
  BoxAnswerer boxes([](const driver::MessageBoxInfo&) { return IDOK; });
  RunInstallStep();
  ASSERT_EQ(boxes.boxes().size(), 1u);
  EXPECT_EQ(boxes.boxes()[0].text, "Q盘可用空间不够，请换个盘安装！");
  // The trailing separator was added before anything else happened.
  EXPECT_EQ(ControlText(TargetFolderEdit), "Q:\\Nowhere\\");
  // Another drive can be chosen: the folder page with usable buttons.
  EXPECT_EQ(InstallPage, WizardPage::TargetFolder);
  EXPECT_EQ(PageHeading, "选择安装位置");
  EXPECT_TRUE(IsWindowEnabled(NextButton));
  EXPECT_TRUE(IsWindowEnabled(BrowseButton));
  EXPECT_TRUE(IsWindowEnabled(CancelButton));
}

TEST_F(InstallStepTest, InstallsEveryFileAndEndsOnTheFinishPage) {
  const std::string target = FreshFolder("step-target");
  SetControlText(TargetFolderEdit, target);
  BoxAnswerer boxes([](const driver::MessageBoxInfo&) { return IDOK; });
  RunInstallStep();
  EXPECT_TRUE(boxes.boxes().empty());
  for (const char* file : kPackageFiles) {
    SCOPED_TRACE(file);
    EXPECT_EQ(ReadBytes(target + file), ReadBytes(DataFolder() + "tree\\" + file));
  }
  EXPECT_FALSE(FolderExists(WorkFolder())) << "the work folder must be gone";
  EXPECT_EQ(InstallPage, WizardPage::Finish);
  EXPECT_EQ(PageHeading, "安装选项");
  EXPECT_EQ(PageSubheading, "感谢你使用“测试软件”");
  EXPECT_EQ(ControlText(NextButton), "完成");
  EXPECT_EQ(ControlText(ProgressLabel), "解压完成，请点下一步继续");
  EXPECT_EQ(BusyPhase, 0);
  EXPECT_TRUE(FileExists(PackageFilePath)) << "the package stays after a good install";
}

TEST_F(InstallStepTest, BrokenPackageTryAgainDeletesItAndGoesBackToWelcome) {
  ASSERT_TRUE(
      CopyFileA((DataFolder() + "not-an-archive.7z").c_str(), PackageFilePath.c_str(), FALSE));
  SetControlText(TargetFolderEdit, FreshFolder("step-broken"));
  BoxAnswerer boxes([](const driver::MessageBoxInfo&) { return IDTRYAGAIN; });
  RunInstallStep();
  ASSERT_EQ(boxes.boxes().size(), 1u);
  EXPECT_EQ(boxes.boxes()[0].caption, "Pellumo");
  EXPECT_FALSE(FileExists(PackageFilePath));
  EXPECT_EQ(InstallPage, WizardPage::Welcome);
  EXPECT_TRUE(IsWindowEnabled(NextButton));
  // Next leads to the folder page again, where Browse works once more.
  EXPECT_FALSE(IsWindowEnabled(BrowseButton));
  OnNextClicked(0, WizardHandle, NextButton, kNextButtonId);
  EXPECT_EQ(InstallPage, WizardPage::TargetFolder);
  EXPECT_TRUE(IsWindowEnabled(BrowseButton));
}

TEST_F(InstallStepTest, BrokenPackageCancelShowsFinishWithNothingInstalled) {
  ASSERT_TRUE(
      CopyFileA((DataFolder() + "not-an-archive.7z").c_str(), PackageFilePath.c_str(), FALSE));
  const std::string target = FreshFolder("step-cancel");
  SetControlText(TargetFolderEdit, target);
  BoxAnswerer boxes([](const driver::MessageBoxInfo&) { return IDCANCEL; });
  RunInstallStep();
  ASSERT_EQ(boxes.boxes().size(), 1u);
  EXPECT_EQ(InstallPage, WizardPage::Finish);
  EXPECT_TRUE(FileExists(PackageFilePath));
  EXPECT_FALSE(FileExists(target + "readme.txt"));
}

// A top-level window of this process titled like the special-edition game.
class GameWindow {
 public:
  explicit GameWindow(const char* title)
      : window_(CreateWindowExA(0, "Static", title, WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                GetModuleHandleA(nullptr), nullptr)) {}
  GameWindow(const GameWindow&) = delete;
  GameWindow& operator=(const GameWindow&) = delete;
  ~GameWindow() {
    if (IsWindow(window_)) DestroyWindow(window_);
  }
  HWND get() const { return window_; }
  std::string title() const { return ControlText(window_); }

 private:
  HWND window_;
};

TEST_F(InstallStepTest, RunningGameIsNamedAndAskedToCloseBeforeAnything) {
  GameWindow game("测试游戏");
  ASSERT_TRUE(game.get());
  GameWindowTitle = "测试游戏";
  GameProgramName = "INSTALL_WIN_TESTS.EXE";  // this process, in other letters
  SetControlText(TargetFolderEdit, "C:");
  BoxAnswerer boxes([](const driver::MessageBoxInfo&) { return IDOK; });
  RunInstallStep();
  ASSERT_EQ(boxes.boxes().size(), 1u);
  EXPECT_EQ(boxes.boxes()[0].caption, "！！！发现游戏还开着！！！");
  EXPECT_NE(boxes.boxes()[0].text.find("测试游戏"), std::string::npos);
  // The step ended there: the typed folder was not looked at.
  EXPECT_EQ(ControlText(TargetFolderEdit), "C:");
  MSG message;
  EXPECT_TRUE(PeekMessageA(&message, game.get(), WM_CLOSE, WM_CLOSE, PM_REMOVE));
  GameWindowTitle.clear();
}

TEST_F(InstallStepTest, WindowOfAnotherProgramWithTheGameTitleIsMarkedAndPassed) {
  GameWindow lookalike("测试游戏");
  GameWindow lookalikeM("测试游戏m");
  GameWindowTitle = "测试游戏";
  GameProgramName = "game.exe";  // not this process
  SetControlText(TargetFolderEdit, "ab");
  BoxAnswerer boxes([](const driver::MessageBoxInfo&) { return IDOK; });
  RunInstallStep();
  // Both were examined once, marked, and the step went on to the folder.
  EXPECT_EQ(lookalike.title(), "测试游戏x");
  EXPECT_EQ(lookalikeM.title(), "测试游戏x");
  ASSERT_EQ(boxes.boxes().size(), 1u);
  EXPECT_EQ(boxes.boxes()[0].text.rfind("目标文件夹路径错误！！！", 0), 0u);
  GameWindowTitle.clear();
}

}  // namespace
}  // namespace orvane::install_test
