#include "install/shortcut_launch.h"

#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include "install/com_dispatch.h"
#include "install/running_programs.h"
#include "package/package_info.h"
#include "win/install/install_win_fixture.h"
#include "wizard/controls.h"
#include "wizard/wizard_window.h"

namespace orvane::install_test {
namespace {

struct ShortcutFields {
  std::wstring target;
  std::wstring workingFolder;
  std::wstring description;
  int showCommand = 0;
};

std::wstring DesktopFolder() {
  wchar_t folder[MAX_PATH] = {};
  SHGetFolderPathW(nullptr, CSIDL_DESKTOP, nullptr, SHGFP_TYPE_CURRENT, folder);
  return std::wstring(folder) + L"\\";
}

// Reads a .lnk file back through the shell's own link object.
bool ReadShortcut(const std::wstring& path, ShortcutFields* fields) {
  CoInitialize(nullptr);
  bool ok = false;
  IShellLinkW* link = nullptr;
  if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                 reinterpret_cast<void**>(&link)))) {
    ComRef<IShellLinkW> linkRef(link);
    IPersistFile* file = nullptr;
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
      ComRef<IPersistFile> fileRef(file);
      if (SUCCEEDED(file->Load(path.c_str(), STGM_READ))) {
        wchar_t text[MAX_PATH] = {};
        link->GetPath(text, MAX_PATH, nullptr, SLGP_RAWPATH);
        fields->target = text;
        link->GetWorkingDirectory(text, MAX_PATH);
        fields->workingFolder = text;
        link->GetDescription(text, MAX_PATH);
        fields->description = text;
        link->GetShowCmd(&fields->showCommand);
        ok = true;
      }
    }
  }
  CoUninitialize();
  return ok;
}

class ShortcutLaunchTest : public WizardTest {
 protected:
  void SetUp() override {
    WizardTest::SetUp();
    // A folder with a blank, typed without its final separator.
    folder_ = FreshFolder("launch") + "My App\\";
    CreateDirectoryA(folder_.c_str(), nullptr);
    CopyFileA(ORVANE_TEST_PROGRAM_WIN, (folder_ + "app.exe").c_str(), FALSE);
    SetControlText(TargetFolderEdit, folder_.substr(0, folder_.size() - 1));
    PackageInfo.name = "测试程序";
    PackageInfo.fileName = "app.exe";
    PackageInfo.description = "Orvane 测试程序说明";
    shortcut_ = DesktopFolder() + L"测试程序.lnk";
    DeleteFileW(shortcut_.c_str());
    ShowWindow(WizardHandle, SW_SHOWNA);
  }
  void TearDown() override {
    for (const ProcessEntry& process : ListProcesses(false)) {
      if (process.path == folder_ + "app.exe") TerminateProcessById(process.id);
    }
    WizardTest::TearDown();
  }
  static void Tick(HWND box, bool ticked) {
    SendMessageA(box, BM_SETCHECK, ticked ? BST_CHECKED : BST_UNCHECKED, 0);
  }
  // True when a WM_CLOSE for the wizard waits in the queue (taken out, so
  // that the wizard stays for the next test).
  static bool CloseWasPosted() {
    MSG message;
    return PeekMessageA(&message, WizardHandle, WM_CLOSE, WM_CLOSE, PM_REMOVE) != 0;
  }
  // The started program's record of its command line, once it can be read.
  std::string WaitForLaunchRecord() const {
    const std::string record = folder_ + "launched.txt";
    std::string text = ReadBytes(record);
    for (int i = 0; i < 1000 && text == "<missing>"; ++i) {
      Sleep(10);
      text = ReadBytes(record);
    }
    return text;
  }

  std::string folder_;
  std::wstring shortcut_;
};

TEST_F(ShortcutLaunchTest, BothTickedSavesTheShortcutStartsTheProgramAndClosesTheWizard) {
  Tick(DesktopShortcutCheck, true);
  Tick(LaunchAfterFinishCheck, true);
  CreateShortcutAndLaunch();
  EXPECT_FALSE(IsWindowVisible(WizardHandle));
  EXPECT_TRUE(CloseWasPosted());

  ShortcutFields fields;
  ASSERT_TRUE(ReadShortcut(shortcut_, &fields));
  EXPECT_EQ(fields.target, WideFromAnsi(folder_ + "app.exe"));
  EXPECT_EQ(fields.workingFolder.substr(0, folder_.size() - 1),
            WideFromAnsi(folder_.substr(0, folder_.size() - 1)));
  EXPECT_EQ(fields.description, WideFromAnsi("Orvane 测试程序说明"));
  EXPECT_EQ(fields.showCommand, SW_SHOWNORMAL);

  // The folder, unquoted, is the whole parameter text: "My App\" arrives as
  // a second argument.
  const std::string commandLine = WaitForLaunchRecord();
  EXPECT_TRUE(commandLine.ends_with(" " + folder_)) << commandLine;
}

TEST_F(ShortcutLaunchTest, BothClearedOnlyHidesAndClosesTheWizard) {
  Tick(DesktopShortcutCheck, false);
  Tick(LaunchAfterFinishCheck, false);
  CreateShortcutAndLaunch();
  EXPECT_FALSE(IsWindowVisible(WizardHandle));
  EXPECT_TRUE(CloseWasPosted());
  EXPECT_EQ(GetFileAttributesW(shortcut_.c_str()), INVALID_FILE_ATTRIBUTES);
  for (const ProcessEntry& process : ListProcesses(false)) {
    EXPECT_NE(process.path, folder_ + "app.exe");
  }
}

TEST_F(ShortcutLaunchTest, FinishingTwiceReplacesTheShortcut) {
  Tick(DesktopShortcutCheck, true);
  Tick(LaunchAfterFinishCheck, false);
  CreateShortcutAndLaunch();
  EXPECT_TRUE(CloseWasPosted());
  PackageInfo.description = "第二次";
  CreateShortcutAndLaunch();
  EXPECT_TRUE(CloseWasPosted());
  ShortcutFields fields;
  ASSERT_TRUE(ReadShortcut(shortcut_, &fields));
  EXPECT_EQ(fields.description, WideFromAnsi("第二次"));
}

}  // namespace
}  // namespace orvane::install_test
