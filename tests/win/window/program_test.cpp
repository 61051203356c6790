// The real wizard program, started and driven from outside: it opens
// centred and topmost, every way of closing it ends the process with exit
// code 0, and its screenshot is written.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "win/driver/ui_driver.h"
#include "win/window/expected_layout.h"
#include "win/window/sample_package.h"

namespace orvane {
namespace {

using driver::ChildProcess;

constexpr DWORD kTimeoutMs = 20000;

std::string SetupExe() {
  return std::string(ORVANE_BUILD_DIR_WIN) + "\\OrvaneSetup.exe";
}

class WizardProgramTest : public ::testing::Test {
 protected:
  // Without arguments the wizard gets a package file of its own, so it
  // stays open on its welcome page without a server.
  void Start(std::string arguments = "") {
    if (arguments.empty()) {
      char temp[MAX_PATH] = {};
      GetTempPathA(MAX_PATH, temp);
      const std::string package =
          testing::WriteSamplePackage(std::string(temp) + "orvane-program-test", "123.7z");
      arguments.append(1, '"').append(package).append(1, '"');
    }
    process_ = ChildProcess::Start(SetupExe(), arguments);
    ASSERT_TRUE(process_.running()) << "cannot start " << SetupExe();
    wizard_ = driver::WaitForWizard(process_.id(), kTimeoutMs);
    ASSERT_TRUE(wizard_) << "no wizard window";
  }
  void ExpectEndsWithCodeZero() {
    DWORD code = 1234;
    ASSERT_TRUE(process_.WaitForExit(kTimeoutMs, &code)) << "the wizard did not end";
    EXPECT_EQ(code, 0u);
  }
  void TearDown() override { process_.Kill(); }

  ChildProcess process_;
  HWND wizard_ = nullptr;
};

TEST_F(WizardProgramTest, OpensCentredTopmostWithOnlyMinimiseBox) {
  Start();
  RECT r;
  GetWindowRect(wizard_, &r);
  const testing::ScreenScale scale = testing::MeasureScreen();
  const RECT expected = testing::ExpectedWizardRect(scale);
  EXPECT_EQ(r.left, expected.left);
  EXPECT_EQ(r.top, expected.top);
  EXPECT_EQ(r.right - r.left, expected.right - expected.left);
  EXPECT_EQ(r.bottom - r.top, expected.bottom - expected.top);
  if (scale.logPixelsX == 96 && GetSystemMetrics(SM_CXSCREEN) == 1920 &&
      GetSystemMetrics(SM_CYSCREEN) == 1080) {
    EXPECT_EQ(r.left, 735);
    EXPECT_EQ(r.top, 380);
    EXPECT_EQ(r.right - r.left, 450);
    EXPECT_EQ(r.bottom - r.top, 320);
  }
  EXPECT_TRUE(GetWindowLongA(wizard_, GWL_EXSTYLE) & WS_EX_TOPMOST);
  EXPECT_FALSE(GetWindowLongA(wizard_, GWL_STYLE) & WS_MAXIMIZEBOX);

  const auto controls = driver::ListControls(wizard_);
  EXPECT_EQ(controls.size(), 10u);
  CreateDirectoryA("screenshots", nullptr);
  const std::string shot = "screenshots\\wizard-" + std::to_string(scale.logPixelsX) + "dpi.png";
  EXPECT_TRUE(driver::SaveScreenshot(wizard_, shot));
  const DWORD attributes = GetFileAttributesA(shot.c_str());
  EXPECT_NE(attributes, INVALID_FILE_ATTRIBUTES);

  PostMessageA(wizard_, WM_CLOSE, 0, 0);
  ExpectEndsWithCodeZero();
}

TEST(WizardResources, IconBannersManifestAndVersionAreEmbedded) {
  HMODULE exe = LoadLibraryExA(SetupExe().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_TRUE(exe);
  const WORD chinese = MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED);
  EXPECT_TRUE(FindResourceExA(exe, RT_RCDATA, "IMAGE_2", chinese));
  EXPECT_TRUE(FindResourceExA(exe, RT_RCDATA, "IMAGE_DING", chinese));
  EXPECT_TRUE(FindResourceA(exe, "IMAGE_ICO", RT_GROUP_ICON));
  EXPECT_TRUE(LoadImageA(exe, "IMAGE_ICO", IMAGE_ICON, 16, 16, 0));
  HRSRC manifest = FindResourceA(exe, MAKEINTRESOURCEA(1), RT_MANIFEST);
  ASSERT_TRUE(manifest);
  const char* text = static_cast<const char*>(LockResource(LoadResource(exe, manifest)));
  const std::string xml(text, SizeofResource(exe, manifest));
  EXPECT_NE(xml.find("requireAdministrator"), std::string::npos);
  EXPECT_NE(xml.find("<dpiAware"), std::string::npos);
  EXPECT_NE(xml.find("Microsoft.Windows.Common-Controls"), std::string::npos);
  EXPECT_NE(xml.find("1f676c76-80e1-4239-95bb-83d0f6d0da78"), std::string::npos);  // 8.1
  EXPECT_TRUE(FindResourceA(exe, MAKEINTRESOURCEA(1), RT_VERSION));
  FreeLibrary(exe);
}

TEST_F(WizardProgramTest, CancelClickCloses) {
  Start();
  ASSERT_TRUE(driver::ClickButton(wizard_, IDCANCEL));
  ExpectEndsWithCodeZero();
}

TEST_F(WizardProgramTest, EscapeActsAsCancel) {
  Start();
  ASSERT_TRUE(driver::SendKey(wizard_, VK_ESCAPE));
  ExpectEndsWithCodeZero();
}

TEST_F(WizardProgramTest, CloseBoxCommandPassesTheCloseHandler) {
  Start();
  PostMessageA(wizard_, WM_SYSCOMMAND, SC_CLOSE, 0);
  ExpectEndsWithCodeZero();
}

TEST_F(WizardProgramTest, NoPackageNamedShowsTheBoxAndEndsWithCodeZero) {
  // An empty command line names no package at all.
  process_ = ChildProcess::Start(SetupExe(), "");
  driver::MessageBoxInfo box;
  ASSERT_TRUE(driver::WaitForMessageBox(process_.id(), kTimeoutMs, &box));
  EXPECT_EQ(box.caption, "软件安装");
  EXPECT_NE(box.text.find("本软件不可以单独使用"), std::string::npos) << box.text;
  driver::PressMessageBoxButton(box, IDOK);
  ExpectEndsWithCodeZero();
}

TEST_F(WizardProgramTest, DashSwitchEndsAtOnceWithoutWindow) {
  ChildProcess process = ChildProcess::Start(SetupExe(), "-x");
  DWORD code = 1234;
  ASSERT_TRUE(process.WaitForExit(kTimeoutMs, &code));
  EXPECT_EQ(code, 0u);
}

}  // namespace
}  // namespace orvane
