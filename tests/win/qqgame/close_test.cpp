// Closing the wizard while the install waits or copies: the install ends
// its process itself with exit code 0. Each case runs the install in a
// child wizard process (qq-install-child) that this test closes.
#include <gtest/gtest.h>
#include <windows.h>

#include "qqgame/game_hall_rules.h"
#include "win/driver/ui_driver.h"
#include "win/qqgame/qq_test_support.h"
#include "wizard/controls.h"

namespace orvane {
namespace {

using namespace qq_test;

constexpr DWORD kReturnedInsteadOfEnding = 3;

class CloseDuringInstallTest : public ::testing::Test {
 protected:
  void SetUp() override {
    name_ = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    setup_ = PrepareInstallFolders(BuildFolder() + "\\qqgame-run\\" + name_ + "\\");
    gameFolder_ = setup_.root + "QQGame\\";
    WriteGameConfig(setup_, "ABC");
    MakeFolders(gameFolder_ + "ABC");
  }
  void TearDown() override {
    child_.Kill();
    child_.WaitForExit(5000);
    EndLeftoverUpdaters();
  }

  HWND StartChild() {
    // The root without its final "\\", which would escape the closing quote.
    std::string argument(1, '"');
    argument.append(setup_.root, 0, setup_.root.size() - 1);
    argument += '"';
    child_ = driver::ChildProcess::Start(
        BuildFolder() + "\\tests\\win\\qqgame\\qq-install-child.exe", argument);
    return driver::WaitForWizard(child_.id(), 40000);
  }

  // Waits until the child's status line starts with `prefix`. The text of
  // another process's window is read without a message, so a child busy
  // in a call does not hold this up.
  bool WaitForLabel(HWND wizard, const std::string& prefix, DWORD timeoutMs) {
    HWND label = driver::ControlById(wizard, kProgressLabelId);
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < timeoutMs) {
      char text[512] = {};
      GetWindowTextA(label, text, sizeof text);
      if (std::string(text).starts_with(prefix)) return true;
      Sleep(5);
    }
    return false;
  }

  void Screenshot(HWND wizard, const std::string& what) {
    const std::string folder = BuildFolder() + "\\screenshots\\qqgame\\";
    MakeFolders(folder);
    driver::SaveScreenshot(wizard, folder + name_ + "-" + what + ".png");
  }

  std::string name_;
  InstallSetup setup_;
  std::string gameFolder_;
  driver::ChildProcess child_;
};

TEST_F(CloseDuringInstallTest, ClosedWhileWaitingForTheUpdaterToShow) {
  HallRegistry registry(gameFolder_, std::nullopt);
  QgiFileType fileType(UpdaterCommand(false, 0, setup_.root + "opened.txt"));
  WriteBytes(setup_.studioFolder + "game.dll", "studio");
  HWND wizard = StartChild();
  ASSERT_TRUE(wizard);
  ASSERT_TRUE(WaitForLabel(wizard, kStartingUpdaterLabel, 40000));
  Screenshot(wizard, "waiting");
  const DWORD closedAt = GetTickCount();
  PostMessageA(wizard, WM_CLOSE, 0, 0);
  DWORD code = 99;
  ASSERT_TRUE(child_.WaitForExit(8000, &code));
  EXPECT_EQ(code, 0u);
  // Well before the 10 s wait would have run out.
  EXPECT_LT(GetTickCount() - closedAt, 5000u);
  EXPECT_FALSE(Exists(gameFolder_ + "ABC\\game.dll"));
  EXPECT_TRUE(Exists(setup_.studioFolder + "game.dll"));
}

TEST_F(CloseDuringInstallTest, ClosedWhileWaitingForTheUpdaterToFinish) {
  HallRegistry registry(gameFolder_, std::nullopt);
  QgiFileType fileType(UpdaterCommand(true, 0, setup_.root + "opened.txt"));
  WriteBytes(setup_.studioFolder + "game.dll", "studio");
  HWND wizard = StartChild();
  ASSERT_TRUE(wizard);
  ASSERT_TRUE(WaitForLabel(wizard, kUpdatingLabel, 40000));
  Screenshot(wizard, "updating");
  PostMessageA(wizard, WM_CLOSE, 0, 0);
  DWORD code = 99;
  ASSERT_TRUE(child_.WaitForExit(8000, &code));
  EXPECT_EQ(code, 0u);
  EXPECT_FALSE(Exists(gameFolder_ + "ABC\\game.dll"));
  EXPECT_TRUE(FindWindowA(nullptr, kGameUpdaterTitle));
}

TEST_F(CloseDuringInstallTest, CloseDuringTheCopyIsRefusedAndStopsIt) {
  HallRegistry registry(gameFolder_, std::nullopt);
  QgiFileType fileType(UpdaterCommand(true, 200, setup_.root + "opened.txt"));
  constexpr int kFiles = 1500;
  for (int i = 0; i < kFiles; ++i) {
    WriteBytes(setup_.studioFolder + "files\\" + std::to_string(i) + ".dat",
               std::string(2048, 'x'));
  }
  HWND wizard = StartChild();
  ASSERT_TRUE(wizard);
  ASSERT_TRUE(WaitForLabel(wizard, "复制", 40000));
  Screenshot(wizard, "copying");
  // Sent, not posted: the close handler has run when this returns.
  DWORD_PTR answer = 0;
  SendMessageTimeoutA(wizard, WM_CLOSE, 0, 0, SMTO_NORMAL, 5000, &answer);
  DWORD code = 99;
  ASSERT_TRUE(child_.WaitForExit(20000, &code));
  EXPECT_EQ(code, 0u);
  const size_t copied = ListFiles(gameFolder_ + "ABC\\").size();
  const size_t left = ListFiles(setup_.studioFolder).size();
  EXPECT_GT(left, 0u) << "the copy ran to its end";
  EXPECT_EQ(copied + left, static_cast<size_t>(kFiles) + 1);  // with config.ini
}

TEST_F(CloseDuringInstallTest, InstallWithoutAHallReturnsToItsCaller) {
  HallRegistry registry(std::nullopt, std::nullopt);
  HWND wizard = StartChild();
  ASSERT_TRUE(wizard);
  driver::MessageBoxInfo box;
  ASSERT_TRUE(driver::WaitForMessageBox(child_.id(), 40000, &box));
  EXPECT_EQ(box.text, kNoGameHallText);
  Screenshot(box.window, "no-hall-box");
  driver::PressMessageBoxButton(box, IDOK);
  DWORD code = 99;
  ASSERT_TRUE(child_.WaitForExit(8000, &code));
  EXPECT_EQ(code, kReturnedInsteadOfEnding);
}

}  // namespace
}  // namespace orvane
