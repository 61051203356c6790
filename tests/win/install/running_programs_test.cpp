#include "install/running_programs.h"

#include <commctrl.h>

#include <algorithm>

#include "base/text.h"
#include "win/install/install_win_fixture.h"
#include "wizard/controls.h"
#include "wizard/page_state.h"
#include "wizard/wizard_window.h"

namespace orvane::install_test {
namespace {

constexpr const char* kProgramName = "orvane_runner.exe";

// A copy of the test program started from `folder`; ended with the object
// if it still runs.
class RunningCopy {
 public:
  explicit RunningCopy(const std::string& folder) : path_(folder + kProgramName) {
    CopyFileA(ORVANE_TEST_PROGRAM_WIN, path_.c_str(), FALSE);
    process_ = driver::ChildProcess::Start(path_, "");
    // Running once it has written its record.
    for (int i = 0; i < 500 && !FileExists(folder + "launched.txt"); ++i) Sleep(10);
  }
  bool running() const { return process_.running(); }
  DWORD id() const { return process_.id(); }
  const std::string& path() const { return path_; }
  bool WaitForEnd(DWORD* code) const { return process_.WaitForExit(10000, code); }

 private:
  std::string path_;
  driver::ChildProcess process_;
};

class RunningProgramsTest : public WizardTest {
 protected:
  void SetUp() override {
    WizardTest::SetUp();
    for (HWND button : {NextButton, CancelButton, BackButton, BrowseButton}) {
      EnableControl(button, true);
    }
    TitleText = "星际游戏 2.0";
  }
  static bool AllButtonsDisabled() {
    for (HWND button : {NextButton, CancelButton, BackButton, BrowseButton}) {
      if (IsWindowEnabled(button)) return false;
    }
    return true;
  }
};

TEST_F(RunningProgramsTest, ProgramsOfTheFolderAreNamedThenEndedAndTheNeighbourIsLeft) {
  const std::string root = FreshFolder("running");
  const std::string target = root + "Foo\\";
  CreateDirectoryA(target.c_str(), nullptr);
  CreateDirectoryA((target + "sub").c_str(), nullptr);
  CreateDirectoryA((root + "Foo2").c_str(), nullptr);
  RunningCopy inTarget(target);
  RunningCopy inSubFolder(target + "sub\\");
  RunningCopy neighbour(root + "Foo2\\");
  ASSERT_TRUE(inTarget.running() && inSubFolder.running() && neighbour.running());

  std::vector<bool> stillRunningAtBox;
  BoxAnswerer boxes([&](const driver::MessageBoxInfo&) {
    // Nothing is ended before the user's OK.
    stillRunningAtBox.push_back(inTarget.running() || inSubFolder.running());
    return IDOK;
  });
  // The folder typed in another case.
  std::string typed = target;
  std::transform(typed.begin(), typed.end(), typed.begin(), [](char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
  });
  StopProgramsInFolder(typed);

  ASSERT_EQ(boxes.boxes().size(), 2u);
  for (const driver::MessageBoxInfo& box : boxes.boxes()) {
    EXPECT_EQ(box.caption, "请退出【应用或游戏】");
    EXPECT_NE(box.text.find("\r\n星际游戏 2.0\r\n"), std::string::npos);
  }
  EXPECT_EQ(std::count(stillRunningAtBox.begin(), stillRunningAtBox.end(), true), 2);
  const std::string texts = boxes.boxes()[0].text + boxes.boxes()[1].text;
  EXPECT_NE(texts.find(inTarget.path()), std::string::npos) << texts;
  EXPECT_NE(texts.find(inSubFolder.path()), std::string::npos) << texts;

  DWORD code = 1;
  EXPECT_TRUE(inTarget.WaitForEnd(&code));
  EXPECT_EQ(code, 0u);
  EXPECT_TRUE(inSubFolder.WaitForEnd(&code));
  EXPECT_TRUE(neighbour.running());
  EXPECT_EQ(InstallPage, WizardPage::Installing);
  EXPECT_EQ(SendMessageA(ProgressBar, PBM_GETPOS, 0, 0), 100);
  EXPECT_TRUE(AllButtonsDisabled());
  TerminateProcessById(neighbour.id());
}

TEST_F(RunningProgramsTest, NothingFoundMeansNoBoxNoPauseButDisabledButtons) {
  BoxAnswerer boxes([](const driver::MessageBoxInfo&) { return IDOK; });
  // The test program's own folder: this process runs from it and is never
  // stopped.
  char own[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, own, MAX_PATH);
  std::string ownFolder = own;
  ownFolder.resize(ownFolder.find_last_of('\\') + 1);
  StopProgramsInFolder(ownFolder);
  StopProgramsInFolder(FreshFolder("running-none"));
  EXPECT_TRUE(boxes.boxes().empty());
  EXPECT_EQ(InstallPage, WizardPage::TargetFolder);
  EXPECT_TRUE(AllButtonsDisabled());
}

TEST_F(RunningProgramsTest, ProcessQueries) {
  const std::string folder = FreshFolder("running-queries");
  RunningCopy program(folder);
  ASSERT_TRUE(program.running());

  EXPECT_TRUE(EqualsIgnoreCaseAscii(ProcessExeName(program.id()), kProgramName));
  EXPECT_EQ(ProcessExeName(0xFFFFFFF0u), "");
  EXPECT_EQ(WindowProcessId(WizardHandle), GetCurrentProcessId());

  const std::vector<ProcessEntry> full = ListProcesses(false);
  const auto withId = [&](const std::vector<ProcessEntry>& list) {
    return std::find_if(list.begin(), list.end(),
                        [&](const ProcessEntry& e) { return e.id == program.id(); });
  };
  ASSERT_NE(withId(full), full.end());
  EXPECT_TRUE(EqualsIgnoreCaseAscii(withId(full)->path, program.path())) << withId(full)->path;
  const std::vector<ProcessEntry> bare = ListProcesses(true);
  ASSERT_NE(withId(bare), bare.end());
  EXPECT_TRUE(EqualsIgnoreCaseAscii(withId(bare)->path, kProgramName));

  EXPECT_TRUE(TerminateProcessById(program.id()));
  DWORD code = 1;
  EXPECT_TRUE(program.WaitForEnd(&code));
  EXPECT_EQ(code, 0u);
  EXPECT_FALSE(TerminateProcessById(0xFFFFFFF0u));
}

}  // namespace
}  // namespace orvane::install_test
