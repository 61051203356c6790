#include "install/folder_copy.h"

#include <aclapi.h>
#include <sddl.h>

#include <memory>
#include <utility>

#include "install/display_text.h"
#include "install/folder_copy_rules.h"
#include "win/install/install_win_fixture.h"
#include "wizard/controls.h"
#include "wizard/page_state.h"
#include "wizard/wizard_window.h"

namespace orvane::install_test {
namespace {

// Opens a file so that nobody else may open it, for one scope.
class LockedFile {
 public:
  explicit LockedFile(const std::string& path)
      : handle_(CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr)) {}
  ~LockedFile() { Release(); }
  bool locked() const { return handle_ != INVALID_HANDLE_VALUE; }
  void Release() {
    if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(std::exchange(handle_, INVALID_HANDLE_VALUE));
  }

 private:
  HANDLE handle_;
};

class FolderCopyTest : public WizardTest {
 protected:
  void SetUp() override {
    WizardTest::SetUp();
    source_ = FreshFolder("copy-source");
    target_ = FreshFolder("copy-target");
  }
  // a.txt, b.txt, c.txt in the source, and the same names, older, in the target.
  void ThreeFilesOverOldOnes() {
    for (const char* name : {"a.txt", "b.txt", "c.txt"}) {
      WriteBytes(source_ + name, std::string("new ") + name);
      WriteBytes(target_ + name, "old");
    }
  }
  std::string source_;
  std::string target_;
};

TEST_F(FolderCopyTest, MovesTheWholeTreeReplacingReadOnlyAndHiddenFilesWithoutAQuestion) {
  CreateDirectoryA((source_ + "bin").c_str(), nullptr);
  CreateDirectoryA((source_ + "bin\\deep").c_str(), nullptr);
  WriteBytes(source_ + "readme.txt", "read me");
  WriteBytes(source_ + "bin\\deep\\game.exe", "MZ game");
  WriteBytes(source_ + "secret.dat", "hidden in the package");
  SetFileAttributesA((source_ + "secret.dat").c_str(), FILE_ATTRIBUTE_HIDDEN);
  WriteBytes(target_ + "readme.txt", "old text");
  SetFileAttributesA((target_ + "readme.txt").c_str(), FILE_ATTRIBUTE_READONLY);

  BoxAnswerer boxes([](const driver::MessageBoxInfo&) { return IDABORT; });
  EXPECT_EQ(CopyFolderTree(WizardHandle, source_, target_), kCopyNext);
  EXPECT_EQ(ReadBytes(target_ + "readme.txt"), "read me");
  EXPECT_EQ(ReadBytes(target_ + "bin\\deep\\game.exe"), "MZ game");
  EXPECT_EQ(ReadBytes(target_ + "secret.dat"), "hidden in the package");
  // Moved, not duplicated: only the folders stay behind.
  EXPECT_FALSE(FileExists(source_ + "readme.txt"));
  EXPECT_FALSE(FileExists(source_ + "bin\\deep\\game.exe"));
  EXPECT_FALSE(FileExists(source_ + "secret.dat"));
  EXPECT_TRUE(FolderExists(source_ + "bin\\deep"));
  EXPECT_TRUE(boxes.boxes().empty());

  // The same package again: the hidden file now in the target is replaced too.
  WriteBytes(source_ + "secret.dat", "hidden, second install");
  SetFileAttributesA((source_ + "secret.dat").c_str(), FILE_ATTRIBUTE_HIDDEN);
  EXPECT_EQ(CopyFolderTree(WizardHandle, source_, target_), kCopyNext);
  EXPECT_EQ(ReadBytes(target_ + "secret.dat"), "hidden, second install");
  EXPECT_TRUE(boxes.boxes().empty());
}

// The DACL of a file or folder in SDDL; empty when it cannot be read.
std::string DaclText(const std::string& path) {
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  PACL dacl = nullptr;
  if (GetNamedSecurityInfoA(path.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                            nullptr, &dacl, nullptr, &descriptor) != ERROR_SUCCESS) {
    return {};
  }
  char* text = nullptr;
  ConvertSecurityDescriptorToStringSecurityDescriptorA(descriptor, SDDL_REVISION_1,
                                                       DACL_SECURITY_INFORMATION, &text, nullptr);
  std::string result = text ? text : "";
  LocalFree(text);
  LocalFree(descriptor);
  return result;
}

bool SetProtectedDacl(const std::string& folder, const char* sddl) {
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl, SDDL_REVISION_1, &descriptor,
                                                            nullptr)) {
    return false;
  }
  BOOL present = FALSE, defaulted = FALSE;
  PACL dacl = nullptr;
  GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted);
  const DWORD result =
      SetNamedSecurityInfoA(const_cast<char*>(folder.c_str()), SE_FILE_OBJECT,
                            DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION,
                            nullptr, nullptr, dacl, nullptr);
  LocalFree(descriptor);
  return result == ERROR_SUCCESS;
}

// A file renamed out of the work folder must not keep the work folder's
// permissions: it gets what a file made in the target folder gets.
TEST_F(FolderCopyTest, MovedFilesTakeThePermissionsOfTheTargetFolder) {
  // Everyone may do anything in both; only the target lets the Guests group
  // read, and passes that on.
  ASSERT_TRUE(SetProtectedDacl(source_, "D:P(A;OICI;FA;;;WD)"));
  ASSERT_TRUE(SetProtectedDacl(target_, "D:P(A;OICI;FA;;;WD)(A;OICI;FR;;;BG)"));
  WriteBytes(target_ + "made-here.txt", "made in the target");
  const std::string madeHere = DaclText(target_ + "made-here.txt");
  if (madeHere.find("BG") == std::string::npos) {
    GTEST_SKIP() << "this system keeps no permissions on files (" << madeHere << ")";
  }
  WriteBytes(source_ + "moved.txt", "moved");
  ASSERT_EQ(DaclText(source_ + "moved.txt").find("BG"), std::string::npos);
  BoxAnswerer boxes([](const driver::MessageBoxInfo&) { return IDABORT; });
  EXPECT_EQ(CopyFolderTree(WizardHandle, source_, target_), kCopyNext);
  EXPECT_EQ(ReadBytes(target_ + "moved.txt"), "moved");
  EXPECT_EQ(DaclText(target_ + "moved.txt"), madeHere);
}

TEST_F(FolderCopyTest, AnEmptyFolderGivesGoOnAndNoQuestion) {
  BoxAnswerer boxes([](const driver::MessageBoxInfo&) { return IDABORT; });
  EXPECT_EQ(CopyFolderTree(WizardHandle, source_, target_), kCopyNext);
  EXPECT_TRUE(boxes.boxes().empty());
}

TEST_F(FolderCopyTest, ALockedFileIsAskedAboutWithTheSystemsReasonAndRetriedUntilItWorks) {
  ThreeFilesOverOldOnes();
  auto lock = std::make_unique<LockedFile>(target_ + "b.txt");
  ASSERT_TRUE(lock->locked());
  int asked = 0;
  BoxAnswerer boxes([&](const driver::MessageBoxInfo&) {
    // Twice Retry while the file is still in use, then free it.
    if (++asked == 2) lock->Release();
    return IDRETRY;
  });
  EXPECT_EQ(CopyFolderTree(WizardHandle, source_, target_), kCopyNext);
  ASSERT_EQ(boxes.boxes().size(), 2u);
  const driver::MessageBoxInfo box = boxes.boxes()[0];
  EXPECT_EQ(box.caption, "复制文件时出错");
  EXPECT_EQ(box.text.rfind("复制文件时出错！！！\r\n\r\n被复制：" + source_ + "b.txt\r\n到目标：" +
                               target_ + "b.txt\r\n\r\n",
                           0),
            0u)
      << box.text;
  EXPECT_NE(box.text.find("1.有软件在使用中，请关闭！"), std::string::npos);
  EXPECT_EQ(box.buttonIds.size(), 3u);
  for (const char* name : {"a.txt", "b.txt", "c.txt"}) {
    EXPECT_EQ(ReadBytes(target_ + name), std::string("new ") + name);
  }
}

TEST_F(FolderCopyTest, IgnoreLeavesTheFileAndGoesOn) {
  ThreeFilesOverOldOnes();
  LockedFile lock(target_ + "b.txt");
  ASSERT_TRUE(lock.locked());
  BoxAnswerer boxes([](const driver::MessageBoxInfo&) { return IDIGNORE; });
  EXPECT_EQ(CopyFolderTree(WizardHandle, source_, target_), kCopyNext);
  lock.Release();
  EXPECT_EQ(boxes.boxes().size(), 1u);
  EXPECT_EQ(ReadBytes(target_ + "b.txt"), "old");
  EXPECT_TRUE(FileExists(source_ + "b.txt"));
  EXPECT_EQ(ReadBytes(target_ + "c.txt"), "new c.txt");
}

TEST_F(FolderCopyTest, AbortStopsTheWholeCopy) {
  ThreeFilesOverOldOnes();
  CreateDirectoryA((source_ + "sub").c_str(), nullptr);
  WriteBytes(source_ + "sub\\x.txt", "x");
  LockedFile lock(target_ + "a.txt");
  ASSERT_TRUE(lock.locked());
  BoxAnswerer boxes([](const driver::MessageBoxInfo&) { return IDABORT; });
  EXPECT_EQ(CopyFolderTree(WizardHandle, source_, target_), kCopyStop);
  lock.Release();
  EXPECT_EQ(boxes.boxes().size(), 1u);
  // Whatever came after the refused file is still where it was.
  int moved = 0;
  for (const char* name : {"b.txt", "c.txt", "sub\\x.txt"})
    moved += FileExists(source_ + name) ? 0 : 1;
  EXPECT_LT(moved, 3);
  EXPECT_TRUE(FileExists(source_ + "a.txt"));
}

TEST_F(FolderCopyTest, TheArchiverLibraryAndTheUpdaterFailSilently) {
  WriteBytes(source_ + "7-Zip32.DLL", "new library");
  WriteBytes(source_ + "update.exe", "new updater");
  WriteBytes(source_ + "zz.txt", "after them");
  WriteBytes(target_ + "7-Zip32.DLL", "library in use");
  WriteBytes(target_ + "update.exe", "updater in use");
  LockedFile library(target_ + "7-Zip32.DLL");
  LockedFile updater(target_ + "update.exe");
  BoxAnswerer boxes([](const driver::MessageBoxInfo&) { return IDABORT; });
  EXPECT_EQ(CopyFolderTree(WizardHandle, source_, target_), kCopyNext);
  EXPECT_TRUE(boxes.boxes().empty());
  EXPECT_EQ(ReadBytes(target_ + "zz.txt"), "after them");
  EXPECT_TRUE(FileExists(source_ + "update.exe"));
}

// Posted before a copy: the copy dispatches it before its first file, as
// it would a click on Cancel, and the close handler would set the flag.
constexpr UINT kAskToStop = WM_APP + 9;
LRESULT CALLBACK StopperProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kAskToStop) {
    AbortFlag = 1;
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

TEST_F(FolderCopyTest, AStopRequestEndsTheCopyAfterTheCurrentFile) {
  ThreeFilesOverOldOnes();
  WNDCLASSA wc{};
  wc.lpfnWndProc = &StopperProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "OrvaneInstallTestStopper";
  RegisterClassA(&wc);
  HWND stopper = CreateWindowA(wc.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                               wc.hInstance, nullptr);
  PostMessageA(stopper, kAskToStop, 0, 0);
  CopyFolderTree(WizardHandle, source_, target_);
  DestroyWindow(stopper);
  int moved = 0;
  for (const char* name : {"a.txt", "b.txt", "c.txt"}) moved += FileExists(source_ + name) ? 0 : 1;
  EXPECT_EQ(moved, 1);
}

TEST_F(FolderCopyTest, StatusLineShowsTheShortenedDestination) {
  const std::string deep = target_ + std::string(40, 'd') + "\\";
  CreateDirectoryA((source_ + std::string(40, 'd')).c_str(), nullptr);
  WriteBytes(source_ + std::string(40, 'd') + "\\file.bin", "x");
  FakeClock clock(5'000'000, 1000);
  ControlSpy label(ProgressLabel);
  EXPECT_EQ(CopyFolderTree(WizardHandle, source_, target_), kCopyNext);
  ASSERT_EQ(label.texts.size(), 1u);
  EXPECT_EQ(label.texts[0], "复制：" + ShortenPathForDisplay(deep + "file.bin", 60));
  EXPECT_EQ(label.texts[0].size(), std::string("复制：").size() + 60);
}

TEST_F(FolderCopyTest, AFolderThatCannotBeMadeStopsTheCopyWithAMessage) {
  CreateDirectoryA((source_ + "data").c_str(), nullptr);
  WriteBytes(source_ + "data\\x.txt", "x");
  WriteBytes(target_ + "data", "a file where the folder should go");
  BoxAnswerer boxes([](const driver::MessageBoxInfo&) { return IDOK; });
  EXPECT_EQ(CopyFolderTree(WizardHandle, source_, target_), kCopyStop);
  ASSERT_EQ(boxes.boxes().size(), 1u);
  EXPECT_EQ(boxes.boxes()[0].caption, "软件安装");
  EXPECT_EQ(boxes.boxes()[0].text, FolderCreationFailureText(target_ + "data"));
}

TEST_F(FolderCopyTest, CreateFolderTreeMakesEveryLevel) {
  const std::string base = FreshFolder("create-tree");
  EXPECT_TRUE(CreateFolderTree(base + "a\\b\\"));
  EXPECT_TRUE(FolderExists(base + "a"));
  EXPECT_TRUE(FolderExists(base + "a\\b"));
  EXPECT_TRUE(CreateFolderTree(base + "c\\\\d"));
  EXPECT_TRUE(FolderExists(base + "c\\d"));
  EXPECT_TRUE(CreateFolderTree(base + "a\\b"));  // already there
  WriteBytes(base + "file", "x");
  EXPECT_FALSE(CreateFolderTree(base + "file"));
}

TEST_F(FolderCopyTest, CreateFolderTreeOnAMissingDriveFails) {
  const DWORD drives = GetLogicalDrives();
  char letter = 0;
  for (char c = 'Q'; c <= 'Y' && !letter; ++c) {
    if (!(drives & (1u << (c - 'A')))) letter = c;
  }
  ASSERT_TRUE(letter);
  EXPECT_FALSE(CreateFolderTree(std::string(1, letter) + ":\\Orvane\\x\\"));
}

}  // namespace
}  // namespace orvane::install_test
