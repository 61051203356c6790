// The companion window's container and the executable path of a process,
// against the stand-in platform programs.
#include "qqgame/game_manager.h"

#include <gtest/gtest.h>
#include <windows.h>

#include "base/text.h"
#include "qqgame/game_hall_rules.h"
#include "qqgame/image_path_records.h"
#include "qqgame/process_image_path.h"
#include "win/qqgame/qq_test_support.h"

namespace orvane {
namespace {

using qq_test::BuildFolder;
using qq_test::StartStandIn;

class GameManagerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    qq_test::InitWizardEnvironment();
    root_ = BuildFolder() + "\\qqgame-run\\manager\\";
    qq_test::RemoveTree(root_);
    ASSERT_TRUE(qq_test::MakeFolders(root_));
  }
  void TearDown() override {
    manager_.Kill();
    manager_.WaitForExit(5000);
  }

  // The companion window with the given boxes; the hall inside, if any.
  HWND StartManager(const std::string& layout) {
    manager_ = StartStandIn(root_ + "manager.exe", "manager " + layout, kGameManagerTitle);
    return FindWindowA(nullptr, kGameManagerTitle);
  }

  std::string root_;
  driver::ChildProcess manager_;
};

TEST_F(GameManagerTest, NoCompanionWindowGivesNone) {
  ASSERT_EQ(FindWindowA(nullptr, kGameManagerTitle), nullptr);
  EXPECT_EQ(FindGameManagerContainer(), nullptr);
}

TEST_F(GameManagerTest, ThirdUntitledBoxOfTheNewerClassHoldsTheHall) {
  HWND manager = StartManager("RRRR");
  ASSERT_TRUE(manager);
  HWND container = FindGameManagerContainer();
  ASSERT_TRUE(container);
  EXPECT_EQ(GetParent(container), manager);
  EXPECT_EQ(GetDlgCtrlID(container), 102);
  EXPECT_TRUE(FindWindowExA(container, nullptr, nullptr, kGameHallTitle));
}

TEST_F(GameManagerTest, TitledBoxesAreNotCounted) {
  ASSERT_TRUE(StartManager("rRrRR"));
  HWND container = FindGameManagerContainer();
  ASSERT_TRUE(container);
  EXPECT_EQ(GetDlgCtrlID(container), 104);
}

TEST_F(GameManagerTest, OlderClassIsTakenWhenTheNewerHasFewerThanThree) {
  ASSERT_TRUE(StartManager("RRPPPP"));
  HWND container = FindGameManagerContainer();
  ASSERT_TRUE(container);
  EXPECT_EQ(GetDlgCtrlID(container), 104);
  char name[64] = {};
  GetClassNameA(container, name, sizeof name);
  EXPECT_STREQ(name, kOldPictureBoxClass);
}

TEST_F(GameManagerTest, FewerThanThreeBoxesOfEitherClassGiveNone) {
  ASSERT_TRUE(StartManager("RRPP"));
  EXPECT_EQ(FindGameManagerContainer(), nullptr);
}

class ProcessImagePathTest : public GameManagerTest {};

TEST_F(ProcessImagePathTest, PathOfAnotherProcessWithChineseFolder) {
  const std::string exe = root_ + "QQ游戏 大厅\\QQGame.exe";
  manager_ = StartStandIn(exe, "hall", kGameHallTitle);
  ASSERT_TRUE(manager_.running());
  const std::string path = ProcessImagePath(manager_.id());
  EXPECT_TRUE(EqualsIgnoreCaseAscii(path, exe)) << path;
  EXPECT_TRUE(EqualsIgnoreCaseAscii(GameFolderFromProgramPath(path), root_ + "QQ游戏 大厅\\"));
}

TEST_F(ProcessImagePathTest, OwnProcessAndMissingProcess) {
  char own[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, own, sizeof own);
  EXPECT_TRUE(EqualsIgnoreCaseAscii(ProcessImagePath(GetCurrentProcessId()), own));
  // Process ids are multiples of four: this one is never given out.
  EXPECT_EQ(ProcessImagePath(0xFFFFFFF3u), "");
  EXPECT_EQ(ProcessImagePath(0), "");
}

TEST_F(ProcessImagePathTest, EndedProcessGivesNoPath) {
  manager_ = StartStandIn(root_ + "gone.exe", "none x y", nullptr);
  DWORD code = 1;
  ASSERT_TRUE(manager_.WaitForExit(10000, &code));
  EXPECT_EQ(ProcessImagePath(manager_.id()), "");
}

#if defined(_WIN64)
// The record walk the 32-bit program takes for 64-bit processes, here
// bound to the native calls of a 64-bit process: the layouts must lead to
// the same path the module query gives.
TEST_F(ProcessImagePathTest, RecordLayoutsLeadToTheImagePathOfALiveProcess) {
  const std::string exe = root_ + "QQ游戏\\QQGame.exe";
  manager_ = StartStandIn(exe, "hall", kGameHallTitle);
  HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, manager_.id());
  ASSERT_TRUE(process);
  using QueryInformation = LONG(NTAPI*)(HANDLE, ULONG, PVOID, ULONG, PULONG);
  const auto query = reinterpret_cast<QueryInformation>(reinterpret_cast<void (*)()>(
      GetProcAddress(GetModuleHandleA("ntdll"), "NtQueryInformationProcess")));
  ASSERT_TRUE(query);
  const auto path = ReadImagePathRecords(
      [&](void* buffer, uint32_t size) {
        return static_cast<int32_t>(query(process, 0, buffer, size, nullptr));
      },
      [&](uint64_t address, void* buffer, uint64_t size) -> int32_t {
        SIZE_T read = 0;
        return ReadProcessMemory(process, reinterpret_cast<LPCVOID>(address), buffer, size,
                                 &read) &&
                       read == size
                   ? 0
                   : -1;
      });
  CloseHandle(process);
  ASSERT_TRUE(path);
  std::string ansi(path->size() * 2 + 1, '\0');
  ansi.resize(WideCharToMultiByte(CP_ACP, 0, reinterpret_cast<const wchar_t*>(path->c_str()),
                                  static_cast<int>(path->size()), ansi.data(),
                                  static_cast<int>(ansi.size()), nullptr, nullptr));
  // The records may hold the path in its NT form; the folder and name match.
  EXPECT_TRUE(EqualsIgnoreCaseAscii(ansi, ProcessImagePath(manager_.id())) ||
              ToUpperAscii(ansi).ends_with(ToUpperAscii(exe.substr(2))))
      << ansi;
}
#endif

}  // namespace
}  // namespace orvane
