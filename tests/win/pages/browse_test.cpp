// The folder browser opened from the wizard, confirmed or cancelled.
#include <gtest/gtest.h>
#include <shlobj.h>
#include <windows.h>

#include "win/pages/pages_fixture.h"
#include "wizard/controls.h"
#include "wizard/page_state.h"

namespace orvane::pages_test {
namespace {

struct BrowserSeen {
  bool titleFound = false;
  bool okEnabledAtStart = false;
  bool okEnabledOnVirtualItem = true;
};

BOOL CALLBACK FindTitle(HWND child, LPARAM seen) {
  if (WindowTextOf(child) == "选择安装【Orvane图片工具】目标文件夹") {
    reinterpret_cast<BrowserSeen*>(seen)->titleFound = true;
  }
  return TRUE;
}

// Looks at the dialog, selects the folder `choose` in it, or without one
// the virtual "My Computer" item to see OK disabled, then presses `reply`.
DialogAnswerer AnswerBrowser(int reply, const std::string& choose, BrowserSeen* seen) {
  return DialogAnswerer([=](HWND dialog) {
    EnumChildWindows(dialog, &FindTitle, reinterpret_cast<LPARAM>(seen));
    HWND ok = GetDlgItem(dialog, IDOK);
    seen->okEnabledAtStart = IsWindowEnabled(ok) != 0;
    if (!choose.empty()) {
      SendMessageA(dialog, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(choose.c_str()));
    } else {
      LPITEMIDLIST computer = nullptr;
      if (SUCCEEDED(SHGetSpecialFolderLocation(dialog, CSIDL_DRIVES, &computer))) {
        SendMessageA(dialog, BFFM_SETSELECTIONA, FALSE, reinterpret_cast<LPARAM>(computer));
        seen->okEnabledOnVirtualItem = IsWindowEnabled(ok) != 0;
        CoTaskMemFree(computer);
      }
    }
    PressButton(dialog, reply);
    return true;
  });
}

using FolderBrowserTest = WizardPagesTest;

std::string SystemFolder() {
  char path[MAX_PATH] = {};
  GetSystemDirectoryA(path, MAX_PATH);
  return path;
}

std::string WindowsFolder() {
  char path[MAX_PATH] = {};
  GetWindowsDirectoryA(path, MAX_PATH);
  return path;
}

TEST_F(FolderBrowserTest, ConfirmingWritesTheChosenFolderBack) {
  ShowPage(2);
  const std::string opened = SystemFolder();
  const std::string chosen = WindowsFolder();
  ASSERT_NE(opened, chosen);
  SetControlText(TargetFolderEdit, opened);
  BrowserSeen seen;
  {
    DialogAnswerer answer = AnswerBrowser(IDOK, chosen, &seen);
    SendMessageA(BrowseButton, BM_CLICK, 0, 0);
    EXPECT_EQ(answer.dialogsSeen(), 1);
  }
  EXPECT_TRUE(seen.titleFound);
  EXPECT_TRUE(seen.okEnabledAtStart);
  EXPECT_EQ(WindowTextOf(TargetFolderEdit), chosen);
}

TEST_F(FolderBrowserTest, AChosenDriveRootKeepsItsSeparator) {
  ShowPage(2);
  SetControlText(TargetFolderEdit, WindowsFolder());
  BrowserSeen seen;
  {
    DialogAnswerer answer = AnswerBrowser(IDOK, "C:\\", &seen);
    SendMessageA(BrowseButton, BM_CLICK, 0, 0);
  }
  EXPECT_EQ(WindowTextOf(TargetFolderEdit), "C:\\");
}

TEST_F(FolderBrowserTest, CancellingLeavesTheTextAndVirtualItemsCannotBeConfirmed) {
  ShowPage(2);
  const std::string typed = "D:\\还没有的文件夹\\子目录";
  SetControlText(TargetFolderEdit, typed);
  BrowserSeen seen;
  {
    DialogAnswerer answer = AnswerBrowser(IDCANCEL, "", &seen);
    SendMessageA(BrowseButton, BM_CLICK, 0, 0);
    EXPECT_EQ(answer.dialogsSeen(), 1);
  }
  EXPECT_FALSE(seen.okEnabledOnVirtualItem);
  EXPECT_EQ(WindowTextOf(TargetFolderEdit), typed);
}

}  // namespace
}  // namespace orvane::pages_test
