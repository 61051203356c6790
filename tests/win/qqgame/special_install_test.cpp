// The special-edition game install run in this process on a wizard made
// here, against the stand-in hall, companion window and updater.
#include <gtest/gtest.h>
#include <windows.h>

#include <memory>

#include "base/text.h"
#include "qqgame/game_hall_rules.h"
#include "qqgame/special_edition_install.h"
#include "startup/process_values.h"
#include "win/driver/ui_driver.h"
#include "win/qqgame/install_observer.h"
#include "win/qqgame/qq_test_support.h"
#include "wizard/controls.h"
#include "wizard/page_state.h"

namespace orvane {
namespace {

using namespace qq_test;

constexpr const char* kProduct = "欢乐斗地主";

// A file of the studio's package: its bytes differ from the installed one.
std::string StudioBytes(int n) {
  std::string bytes = "studio file " + std::to_string(n) + "\r\n";
  for (int i = 0; i < 3000 + 97 * n; ++i) bytes += static_cast<char>((i * 31 + n) & 0xFF);
  return bytes;
}

class SpecialInstallTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitWizardEnvironment();
    name_ = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    setup_ = PrepareInstallFolders(BuildFolder() + "\\qqgame-run\\" + name_ + "\\");
    record_ = setup_.root + "opened.txt";
    SpecialEditionWaitLimits = UpdaterWaitLimits{};
  }

  void TearDown() override {
    observer_.reset();
    DestroyInstallWizard(wizard_);
    for (auto* child : {&hall_, &game_}) {
      child->Kill();
      child->WaitForExit(5000);
    }
    EndLeftoverUpdaters();
    SpecialEditionWaitLimits = UpdaterWaitLimits{};
  }

  // The studio's files, the config, and an older copy of the game.
  void PrepareGame(const std::string& destination) {
    WriteGameConfig(setup_, "ABC");
    WriteBytes(setup_.studioFolder + "game.dll", StudioBytes(1));
    WriteBytes(setup_.studioFolder + "data\\maps\\地图.dat", StudioBytes(2));
    WriteBytes(setup_.studioFolder + "readme.txt", StudioBytes(3));
    WriteBytes(destination + "game.dll", "old game dll");
    WriteBytes(destination + "data\\maps\\地图.dat", "old map");
    WriteBytes(destination + "keep.txt", "installed file the package does not carry");
  }

  void ExpectGameInstalled(const std::string& destination) {
    EXPECT_EQ(ReadBytes(destination + "game.dll"), StudioBytes(1));
    EXPECT_EQ(ReadBytes(destination + "data\\maps\\地图.dat"), StudioBytes(2));
    EXPECT_EQ(ReadBytes(destination + "readme.txt"), StudioBytes(3));
    EXPECT_EQ(ReadBytes(destination + "keep.txt"), "installed file the package does not carry");
    EXPECT_TRUE(Exists(destination + "config.ini"));
    // Moved, not copied: the work folder keeps only its folders.
    EXPECT_TRUE(ListFiles(setup_.studioFolder).empty());
    EXPECT_EQ(ControlText(ProgressLabel), kAllDoneLabel);
    EXPECT_EQ(BusyPhase, 0);
    EXPECT_EQ(PageHeading, kInstallHeading);
    EXPECT_EQ(PageSubheading, InstallSubheading(kProduct));
    // The updater was handed the package.
    EXPECT_EQ(ReadBytes(record_), ProgramFolder + "game.qgi\r\n");
  }

  void NothingInstalled(const std::string& destination) {
    EXPECT_EQ(ReadBytes(destination + "game.dll"), "old game dll");
    EXPECT_EQ(ReadBytes(setup_.studioFolder + "game.dll"), StudioBytes(1));
    EXPECT_FALSE(Exists(record_));
  }

  // Runs the install on this thread, watched from a second one.
  DWORD RunInstall() {
    wizard_ = CreateInstallWizard(setup_, kProduct);
    observer_ = std::make_unique<InstallObserver>(wizard_, name_);
    const DWORD start = GetTickCount();
    InstallSpecialEditionGame();
    const DWORD elapsed = GetTickCount() - start;
    observer_->Screenshot("after");
    observer_->Stop();
    return elapsed;
  }

  std::vector<std::string> Labels() const { return observer_->labels(); }
  bool SawLabel(const std::string& label) const {
    for (const auto& seen : Labels()) {
      if (seen == label) return true;
    }
    return false;
  }

  std::string name_;
  InstallSetup setup_;
  std::string record_;
  HWND wizard_ = nullptr;
  std::unique_ptr<InstallObserver> observer_;
  driver::ChildProcess hall_;
  driver::ChildProcess game_;
};

TEST_F(SpecialInstallTest, HallInsideTheCompanionWindowWinsOverTheRegistry) {
  const std::string hallFolder = setup_.root + "QQ游戏\\";
  HallRegistry registry(setup_.root + "registry", std::nullopt);
  QgiFileType fileType(UpdaterCommand(true, 1500, record_));
  hall_ = StartStandIn(hallFolder + "QQGame.exe", "manager RRR", "Orvane_QQ游戏管理器");
  ASSERT_TRUE(hall_.running());
  ASSERT_EQ(FindWindowA(nullptr, kGameHallTitle), nullptr);  // the hall is not top-level
  PrepareGame(hallFolder + "ABC\\");

  RunInstall();
  ExpectGameInstalled(hallFolder + "ABC\\");
  EXPECT_FALSE(Exists(setup_.root + "registry"));
  EXPECT_TRUE(EqualsIgnoreCaseAscii(ControlText(TargetFolderEdit), hallFolder));
  EXPECT_TRUE(observer_->boxes().empty());
  EXPECT_TRUE(SawLabel(kStartingUpdaterLabel));
  EXPECT_TRUE(SawLabel(kUpdatingLabel));
}

TEST_F(SpecialInstallTest, TopLevelHallWinsOverTheRegistry) {
  const std::string hallFolder = setup_.root + "Games\\QQGame\\";
  HallRegistry registry(setup_.root + "registry", setup_.root + "mini");
  QgiFileType fileType(UpdaterCommand(true, 1000, record_));
  hall_ = StartStandIn(hallFolder + "QQGame.exe", "hall", kGameHallTitle);
  PrepareGame(hallFolder + "ABC\\");

  RunInstall();
  ExpectGameInstalled(hallFolder + "ABC\\");
  EXPECT_TRUE(EqualsIgnoreCaseAscii(ControlText(TargetFolderEdit), hallFolder));
}

TEST_F(SpecialInstallTest, RegistryGameDirectoryWithoutARunningHall) {
  // Given without its separator: the install adds it.
  const std::string gameFolder = setup_.root + "注册表\\QQGame";
  HallRegistry registry(gameFolder, setup_.root + "mini");
  QgiFileType fileType(UpdaterCommand(true, 1000, record_));
  PrepareGame(gameFolder + "\\ABC\\");

  RunInstall();
  ExpectGameInstalled(gameFolder + "\\ABC\\");
  EXPECT_EQ(ControlText(TargetFolderEdit), gameFolder + "\\");
}

TEST_F(SpecialInstallTest, HallFolderInTheRegistryGivesWayToMiniGames) {
  const std::string mini = setup_.root + "MiniGames\\";
  HallRegistry registry(setup_.root + "QQGame\\Hall.57913\\", mini);
  QgiFileType fileType(UpdaterCommand(true, 1000, record_));
  PrepareGame(mini + "ABC\\");

  RunInstall();
  ExpectGameInstalled(mini + "ABC\\");
}

TEST_F(SpecialInstallTest, ProgramRunningFromTheGameIsNamedAndStopped) {
  const std::string gameFolder = setup_.root + "QQGame\\";
  HallRegistry registry(gameFolder, std::nullopt);
  QgiFileType fileType(UpdaterCommand(true, 1000, record_));
  PrepareGame(gameFolder + "ABC\\");
  const std::string running = gameFolder + "ABC\\bin\\斗地主.exe";
  game_ = StartStandIn(running, "idle", "OrvaneStandInGame");
  // A program of the hall outside the game's folder is left alone.
  hall_ = StartStandIn(gameFolder + "QQGame.exe", "idle", nullptr);

  RunInstall();
  ExpectGameInstalled(gameFolder + "ABC\\");
  const auto boxes = observer_->boxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].caption, "请退出【应用或游戏】");
  EXPECT_NE(ToUpperAscii(boxes[0].text).find(ToUpperAscii(running)), std::string::npos)
      << boxes[0].text;
  DWORD code = 1;
  EXPECT_TRUE(game_.WaitForExit(5000, &code));
  EXPECT_TRUE(hall_.running());
  EXPECT_TRUE(SawLabel(kStoppingGameLabel));
}

TEST_F(SpecialInstallTest, EmptyMiniGamesFolderMeansNoHall) {
  HallRegistry registry(setup_.root + "QQGame\\Hall.1\\", "");
  QgiFileType fileType(UpdaterCommand(true, 1000, record_));
  PrepareGame(setup_.root + "QQGame\\Hall.1\\ABC\\");

  RunInstall();
  const auto boxes = observer_->boxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].caption, "");
  EXPECT_EQ(boxes[0].text, kNoGameHallText);
  NothingInstalled(setup_.root + "QQGame\\Hall.1\\ABC\\");
  EXPECT_EQ(PageHeading, "解压缩文件");  // left for the caller's finish page
}

TEST_F(SpecialInstallTest, NoHallAndNoRegistryMeansNoHall) {
  HallRegistry registry(std::nullopt, std::nullopt);
  WriteGameConfig(setup_, "ABC");
  RunInstall();
  const auto boxes = observer_->boxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, kNoGameHallText);
}

TEST_F(SpecialInstallTest, MissingOrUnsafeGameConfigIsReported) {
  const std::string gameFolder = setup_.root + "QQGame\\";
  HallRegistry registry(gameFolder, std::nullopt);
  QgiFileType fileType(UpdaterCommand(true, 1000, record_));
  PrepareGame(gameFolder + "ABC\\");
  for (const std::optional<std::string>& value :
       {std::optional<std::string>(), std::optional<std::string>(""),
        std::optional<std::string>("..\\..\\Windows")}) {
    WriteGameConfig(setup_, value);
    RunInstall();
    const auto boxes = observer_->boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, "");
    EXPECT_EQ(boxes[0].text, kNoGameConfigText);
    NothingInstalled(gameFolder + "ABC\\");
    DestroyInstallWizard(wizard_);
  }
}

TEST_F(SpecialInstallTest, UpdaterThatNeverShowsCyclesTheBarForTenSeconds) {
  const std::string gameFolder = setup_.root + "QQGame\\";
  HallRegistry registry(gameFolder, std::nullopt);
  QgiFileType fileType(UpdaterCommand(false, 0, record_));
  PrepareGame(gameFolder + "ABC\\");

  const DWORD elapsed = RunInstall();
  // A little over 10 s of waiting and the 3 s pause, then the copy.
  EXPECT_GE(elapsed, 13000u);
  EXPECT_LT(elapsed, 20000u);
  ExpectGameInstalled(gameFolder + "ABC\\");
}

TEST_F(SpecialInstallTest, UpdaterStillOpenAfterTheLimitIsLeftAndTheCopyMade) {
  const std::string gameFolder = setup_.root + "QQGame\\";
  HallRegistry registry(gameFolder, std::nullopt);
  QgiFileType fileType(UpdaterCommand(true, 0, record_));
  PrepareGame(gameFolder + "ABC\\");
  SpecialEditionWaitLimits = UpdaterWaitLimits{10000, 1500};

  const DWORD elapsed = RunInstall();
  EXPECT_GE(elapsed, 1500u + 3000u);
  ExpectGameInstalled(gameFolder + "ABC\\");
  EXPECT_TRUE(FindWindowA(nullptr, kGameUpdaterTitle));
}

}  // namespace
}  // namespace orvane
