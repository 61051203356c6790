// The install step in this process: the checks of the typed folder, the
// free-space road back to the folder page, a whole install into a fresh
// folder, the work folder beside the program, and the roads that end in a
// box or end the process.
#include "install/install_step.h"

#include <winsock2.h>
// After winsock2.h, which must come first.
#include <windows.h>

#include <array>
#include <string>
#include <thread>

#include "install/archive_library.h"
#include "install/work_folder.h"
#include "install/work_folder_rules.h"
#include "net/network_state.h"
#include "package/package_info.h"
#include "package/signature_check.h"
#include "startup/process_values.h"
#include "win/install/install_win_fixture.h"
#include "wizard/controls.h"
#include "wizard/page_actions.h"
#include "wizard/page_state.h"
#include "wizard/wizard_window.h"

namespace orvane::install_test {
namespace {

const char* const kPackageFiles[] = {"readme.txt", "empty.txt", "bin\\app.dat", "数据\\说明.txt"};

// A well-formed key for a signed build (no file here is signed by it).
const std::string kSomeKey(128, '1');

// Thrown where the step would end the process.
struct ProcessEnded {};

// Hosts where nothing listens: every download fails at once.
const std::array<std::string, 3> kDeadHosts = {"127.0.9.1", "127.0.9.2", "127.0.9.3"};

// The shell's handler of web addresses replaced by the test program, which
// records the address in launched.txt; the old handler is put back.
class BrowserStandIn {
 public:
  BrowserStandIn() : folder_(FreshFolder("browser")) {
    CopyFileA(ORVANE_TEST_PROGRAM_WIN, (folder_ + "browser.exe").c_str(), FALSE);
    RegCreateKeyExA(HKEY_CLASSES_ROOT, kKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key_,
                    nullptr);
    char old[1024] = {};
    DWORD size = sizeof old;
    hadOld_ = RegQueryValueExA(key_, nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(old),
                               &size) == ERROR_SUCCESS;
    old_ = old;
    SetValue("\"" + folder_ + "browser.exe\" \"%1\"");
  }
  BrowserStandIn(const BrowserStandIn&) = delete;
  BrowserStandIn& operator=(const BrowserStandIn&) = delete;
  ~BrowserStandIn() {
    if (hadOld_) {
      SetValue(old_);
    } else {
      RegDeleteValueA(key_, nullptr);
    }
    RegCloseKey(key_);
  }
  // The command line the browser got, waited for a while; empty without one.
  std::string Opened() const {
    for (int i = 0; i < 100 && !FileExists(folder_ + "launched.txt"); ++i) Sleep(50);
    return FileExists(folder_ + "launched.txt") ? ReadBytes(folder_ + "launched.txt") : "";
  }

 private:
  static constexpr const char* kKey = "http\\shell\\open\\command";
  void SetValue(const std::string& value) {
    RegSetValueExA(key_, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>(value.size() + 1));
  }
  std::string folder_;
  HKEY key_ = nullptr;
  bool hadOld_ = false;
  std::string old_;
};

// A loopback web server that takes connections and never answers.
class SilentServer {
 public:
  explicit SilentServer(const char* address) {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    socket_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in at{};
    at.sin_family = AF_INET;
    at.sin_port = htons(80);
    at.sin_addr.s_addr = inet_addr(address);
    listening_ =
        bind(socket_, reinterpret_cast<sockaddr*>(&at), sizeof at) == 0 && listen(socket_, 8) == 0;
  }
  SilentServer(const SilentServer&) = delete;
  SilentServer& operator=(const SilentServer&) = delete;
  ~SilentServer() {
    closesocket(socket_);
    WSACleanup();
  }
  bool listening() const { return listening_; }

 private:
  SOCKET socket_ = INVALID_SOCKET;
  bool listening_ = false;
};

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
    HostTemplates = kDeadHosts;
    InstallStepProcessEnd = [] { throw ProcessEnded{}; };
  }
  void TearDown() override {
    InstallStepProcessEnd = nullptr;
    TrustedPackageKeys = {};
    NetworkState.store(kNetworkIdle);
    WizardTest::TearDown();
  }
  // Types `typed` and runs the step: the path-error box, and nothing else.
  void ExpectPathError(const std::string& typed) {
    SetControlText(TargetFolderEdit, typed);
    BoxAnswerer boxes([](const driver::MessageBoxInfo&) { return IDOK; });
    RunInstallStep();
    ASSERT_EQ(boxes.boxes().size(), 1u);
    EXPECT_EQ(boxes.boxes()[0].text.rfind("目标文件夹路径错误！！！", 0), 0u);
  }
  // A target folder that installs cleanly, typed into the folder page.
  std::string TypeFreshTarget(const char* name) {
    const std::string target = FreshFolder(name);
    SetControlText(TargetFolderEdit, target);
    return target;
  }
  // Runs the step into a fresh target: no box, every file in place, and
  // the work folder, named as expected, gone afterwards.
  std::string InstallCleanly(const char* name, const std::string& workFolder) {
    const std::string target = TypeFreshTarget(name);
    BoxAnswerer boxes([](const driver::MessageBoxInfo&) { return IDOK; });
    RunInstallStep();
    EXPECT_TRUE(boxes.boxes().empty());
    ExpectPackageInstalled(target);
    EXPECT_EQ(WorkFolder(), workFolder);
    EXPECT_FALSE(FolderExists(WorkFolder()));
    return target;
  }
  void ExpectPackageInstalled(const std::string& target) {
    for (const char* file : kPackageFiles) {
      SCOPED_TRACE(file);
      EXPECT_EQ(ReadBytes(target + file), ReadBytes(DataFolder() + "tree\\" + file));
    }
    EXPECT_FALSE(FileExists(target + kWorkFolderMarkerName));
    EXPECT_EQ(InstallPage, WizardPage::Finish);
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
    ExpectPathError(typed);
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
  EXPECT_EQ(WorkFolder(), ProgramFolder + "temp");
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

// The user's own "temp" beside the program, and a look-alike marker in it.
TEST_F(InstallStepTest, AUsersTempFolderIsLeftAloneAndAnotherIsUsed) {
  const std::string users = ProgramFolder + "temp\\";
  ASSERT_TRUE(CreateDirectoryA(users.c_str(), nullptr));
  ASSERT_TRUE(CreateDirectoryA((users + "照片").c_str(), nullptr));
  WriteBytes(users + "notes.txt", "my notes");
  WriteBytes(users + "照片\\a.jpg", std::string(3000, 'j'));
  WriteBytes(users + kWorkFolderMarkerName, "not the wizard's");
  const std::string target = InstallCleanly("step-beside", ProgramFolder + "temp.orvane");
  EXPECT_EQ(ReadBytes(users + "notes.txt"), "my notes");
  EXPECT_EQ(ReadBytes(users + "照片\\a.jpg"), std::string(3000, 'j'));
  EXPECT_EQ(ReadBytes(users + kWorkFolderMarkerName), "not the wizard's");
  EXPECT_FALSE(FileExists(target + "notes.txt"));
}

// A run that was stopped left its work folder: nothing of it may reach the
// target, even a read-only file.
TEST_F(InstallStepTest, LeftoversOfAnEarlierRunAreClearedFirst) {
  const std::string own = ProgramFolder + "temp\\";
  ASSERT_TRUE(CreateDirectoryA(own.c_str(), nullptr));
  WriteBytes(own + kWorkFolderMarkerName, WorkFolderMarkerText());
  WriteBytes(own + "old.txt", "from the stopped run");
  WriteBytes(own + "readme.txt", "an old readme");
  SetFileAttributesA((own + "readme.txt").c_str(), FILE_ATTRIBUTE_READONLY);
  const std::string target = InstallCleanly("step-leftovers", ProgramFolder + "temp");
  EXPECT_FALSE(FileExists(target + "old.txt"));
}

TEST_F(InstallStepTest, ATargetInsideTheWorkFolderIsRefusedBeforeAnything) {
  const std::string lower = ProgramFolder.substr(0, 1) == "C" ? "c" : "C";
  for (const std::string& typed :
       {ProgramFolder + "temp", ProgramFolder + "TEMP\\游戏", ProgramFolder + "x\\..\\temp\\a",
        lower + ProgramFolder.substr(1) + "temp/b"}) {
    SCOPED_TRACE(typed);
    ExpectPathError(typed);
    EXPECT_FALSE(FolderExists(ProgramFolder + "temp")) << "nothing may be made";
    EXPECT_EQ(InstallPage, WizardPage::TargetFolder);
    EXPECT_TRUE(IsWindowEnabled(NextButton)) << "no program was stopped";
  }
}

TEST_F(InstallStepTest, AFolderThatCannotBeMadeEndsOnTheFinishPage) {
  WriteBytes(ProgramFolder + "a-file", "a file where a folder should go");
  SetControlText(TargetFolderEdit, ProgramFolder + "a-file\\sub");
  BoxAnswerer boxes([](const driver::MessageBoxInfo&) { return IDOK; });
  RunInstallStep();
  ASSERT_EQ(boxes.boxes().size(), 1u);
  EXPECT_EQ(boxes.boxes()[0].caption, "软件安装");
  EXPECT_EQ(boxes.boxes()[0].text.rfind("创建文件夹时出错", 0), 0u);
  EXPECT_EQ(InstallPage, WizardPage::Finish);
  EXPECT_EQ(ControlText(NextButton), "完成");
  EXPECT_TRUE(IsWindowEnabled(NextButton));
}

struct SeenBox {
  const char* caption;
  const char* textStart;
};

// The roads that end the process: the boxes on the way, in order, and the
// help page the browser was given.
TEST_F(InstallStepTest, RoadsThatEndTheProcessShowTheirBoxesFirst) {
  struct Road {
    const char* name;
    std::function<void(InstallStepTest&)> prepare;
    int answer;
    std::vector<SeenBox> boxes;
    const char* helpFor;  // the package named by the help page, or none
  };
  const std::vector<Road> roads = {
      {"library download fails",
       [](InstallStepTest&) { DeleteFileA((ProgramFolder + "7-zip32.dll").c_str()); },
       IDOK,
       {{"软件安装", "下载解压支持库文件时发生错误"}},
       nullptr},
      {"package download fails",
       [](InstallStepTest&) { DeleteFileA(PackageFilePath.c_str()); },
       IDOK,
       {{"", "下载文件出错"}},
       nullptr},
      {"hidden package counts as missing",
       [](InstallStepTest&) { SetFileAttributesA(PackageFilePath.c_str(), FILE_ATTRIBUTE_HIDDEN); },
       IDOK,
       {{"", "下载文件出错"}},
       nullptr},
      {"system package counts as missing",
       [](InstallStepTest&) { SetFileAttributesA(PackageFilePath.c_str(), FILE_ATTRIBUTE_SYSTEM); },
       IDOK,
       {{"", "下载文件出错"}},
       nullptr},
      {"game package download fails",
       [](InstallStepTest&) { PackageFilePath = ProgramFolder + "game.qgi"; },
       IDOK,
       {{"", "下载文件出错"}, {"软件安装", "已经为你打开了下载网站"}},
       "game.qgi"},
      {"Continue after a failed extraction",
       [](InstallStepTest&) {
         CopyFileA((DataFolder() + "not-an-archive.7z").c_str(), PackageFilePath.c_str(), FALSE);
       },
       IDCONTINUE,
       {{"Pellumo", "解压文件时发生错误"}},
       "123.7z"},
      // A signed build: the library beside the program carries no
      // signature, so it is deleted and fetched again.
      {"unsigned library in a signed build",
       [](InstallStepTest&) { TrustedPackageKeys = kSomeKey; },
       IDOK,
       {{"软件安装", "下载解压支持库文件时发生错误"}},
       nullptr},
  };
  for (const Road& road : roads) {
    SCOPED_TRACE(road.name);
    SetUp();
    road.prepare(*this);
    TypeFreshTarget("step-ends");
    BrowserStandIn browser;
    {
      BoxAnswerer boxes([&](const driver::MessageBoxInfo&) { return road.answer; });
      EXPECT_THROW(RunInstallStep(), ProcessEnded);
      const std::vector<driver::MessageBoxInfo> seen = boxes.boxes();
      // A failed download first reports each of the three hosts it tried.
      const size_t reports = road.helpFor && road.answer == IDCONTINUE ? 0 : 3;
      ASSERT_EQ(seen.size(), reports + road.boxes.size());
      for (size_t i = 0; i < reports; ++i) EXPECT_EQ(seen[i].caption, "出错");
      for (size_t i = 0; i < road.boxes.size(); ++i) {
        const driver::MessageBoxInfo& box = seen[reports + i];
        EXPECT_EQ(box.caption, road.boxes[i].caption);
        EXPECT_EQ(box.text.rfind(road.boxes[i].textStart, 0), 0u) << box.text;
      }
    }
    const std::string opened = road.helpFor ? browser.Opened() : "";
    if (road.helpFor) {
      EXPECT_NE(opened.find(std::string("http://127.0.9.3/web.php?c=pipei&amea=") + road.helpFor),
                std::string::npos)
          << opened;
    }
    EXPECT_FALSE(SignedBuild() && FileExists(ProgramFolder + "7-zip32.dll"));
    TearDown();
  }
}

// A stop during the library's download ends the process without a box.
TEST_F(InstallStepTest, AStoppedLibraryDownloadEndsWithoutABox) {
  SilentServer server("127.0.9.9");
  ASSERT_TRUE(server.listening());
  HostTemplates[0] = "127.0.9.9";
  DeleteFileA((ProgramFolder + "7-zip32.dll").c_str());
  TypeFreshTarget("step-stopped");
  // What the close handler does once the user confirmed the stop.
  std::thread stopper([] {
    for (int i = 0; i < 1000 && NetworkState.load() == kNetworkIdle; ++i) Sleep(10);
    AbortFlag = 1;
    NetworkState.store(kNetworkStopRequested);
  });
  BoxAnswerer boxes([](const driver::MessageBoxInfo&) { return IDOK; });
  EXPECT_THROW(RunInstallStep(), ProcessEnded);
  stopper.join();
  EXPECT_TRUE(boxes.boxes().empty());
  EXPECT_FALSE(FileExists(ProgramFolder + "7-zip32.dll"));
}

}  // namespace
}  // namespace orvane::install_test
