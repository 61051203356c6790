// LoadPackage from the command line to the welcome page, with the package
// on disk or fetched from the studio hosts, and the game roads.
#include "package/load_package.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "package/info_block.h"
#include "package/package_info.h"
#include "startup/feed_hex_text.h"
#include "startup/process_values.h"
#include "wizard/page_state.h"

namespace orvane {
namespace {

const std::string kServers = ORVANE_PACKAGE_SERVER_DIR_WIN "\\";

void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

std::string ReadBytes(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
}

bool Exists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string Package(const std::string& name, const std::string& version) {
  return std::string(3000, '7') + std::string(kInfoBlockMarker) + "\r\nID=123\r\n名称=" + name +
         "\r\n版本号=" + version + "\r\n日期=2024-05-01\r\n";
}

// The requests the hosts saw since the last call: "address request".
std::vector<std::string> Requests() {
  std::ifstream file(kServers + "access.log", std::ios::binary);
  std::vector<std::string> lines;
  for (std::string line; std::getline(file, line);) lines.push_back(line);
  file.close();
  std::ofstream(kServers + "access.log", std::ios::trunc);
  return lines;
}

class LoadPackageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    folder_ = std::string(temp) + "orvane-load-package-" + std::to_string(GetCurrentProcessId()) +
              "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name() + "\\";
    CreateDirectoryA(folder_.c_str(), nullptr);
    ProgramFolder = folder_;
    ProgramFileName = "安装.exe";
    HostTemplates = {"127.0.2.21", "127.0.2.22", "127.0.2.23"};
    InstallPage = WizardPage::Welcome;
    for (const char* host : {"www21", "www22", "www23"}) {
      DeleteFileA((kServers + host + "\\cu.txt").c_str());
      DeleteFileA((kServers + host + "\\port-answer.bin").c_str());
    }
    Requests();
  }
  void TearDown() override {
    for (const char* name : {"123.7z", "123.7z.tmp", "x.qgi", "p.7z"}) {
      DeleteFileA((folder_ + name).c_str());
    }
    RemoveDirectoryA(folder_.c_str());
    PackageInfo = {};
    PackageFilePath.clear();
    GameRequired = 0;
    GameWindowTitle.clear();
    GameProgramName.clear();
    TitleText.clear();
    VersionText.clear();
    CommandLine.clear();
    ProgramFolder.clear();
    ProgramFileName.clear();
    HostTemplates = {};
    InstallPage = WizardPage::Welcome;
  }
  std::string folder_;
};

TEST_F(LoadPackageTest, NumberedPackageIsFetchedAfreshFromTheFirstHost) {
  WriteBytes(folder_ + "123.7z", Package("旧版", "1.0"));
  WriteBytes(kServers + "www21\\port-answer.bin", Package("新版", "2.0"));
  CommandLine = "yf123";
  EXPECT_EQ(LoadPackage(), 0);
  EXPECT_EQ(PackageInfo.name, "新版");
  EXPECT_EQ(TitleText, "新版");
  EXPECT_EQ(VersionText, "版本：2.0   发布日期：2024-05-01");
  EXPECT_EQ(PackageFilePath, folder_ + "123.7z");
  EXPECT_EQ(InstallPage, WizardPage::Welcome);
  EXPECT_EQ(ReadBytes(folder_ + "123.7z"), Package("新版", "2.0"));
  const auto requests = Requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].rfind("127.0.2.21 GET /port.php?c=do&a=123.7z&b=", 0), 0u) << requests[0];
}

TEST_F(LoadPackageTest, CurrentProductStaysOnTheUpToDatePage) {
  WriteBytes(folder_ + "123.7z", Package("旧版", "1.0"));
  WriteBytes(kServers + "www21\\cu.txt",
             "$Orvane$" + ScrambleHexText("d|123|Tool_2.0", "A7").text + "$Orvane$");
  CommandLine = "yf123,2.0";
  EXPECT_EQ(LoadPackage(), 0);
  EXPECT_EQ(InstallPage, WizardPage::UpToDate);
  EXPECT_EQ(TitleText, "Tool");
  EXPECT_FALSE(Exists(folder_ + "123.7z"));  // the stale package went first
  EXPECT_EQ(PackageFilePath, "");
  const auto requests = Requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0], "127.0.2.21 GET /cu.txt HTTP/1.0");
}

TEST_F(LoadPackageTest, ExistingPackagePathIsReadWithoutTheNetwork) {
  WriteBytes(folder_ + "p.7z", Package("本地", "3.1"));
  CommandLine = folder_ + "p.7z";
  EXPECT_EQ(LoadPackage(), 0);
  EXPECT_EQ(TitleText, "本地");
  EXPECT_EQ(PackageFilePath, folder_ + "p.7z");
  EXPECT_TRUE(Requests().empty());
}

TEST_F(LoadPackageTest, MissingPackageElsewhereIsFetchedIntoTheProgramFolder) {
  WriteBytes(kServers + "www21\\port-answer.bin", Package("下载", "1.5"));
  CommandLine = "C:\\nowhere\\p.7z";
  EXPECT_EQ(LoadPackage(), 0);
  EXPECT_EQ(TitleText, "下载");
  EXPECT_EQ(PackageFilePath, folder_ + "p.7z");
}

TEST_F(LoadPackageTest, ExistingQgiFileIsASpecialEditionGame) {
  WriteBytes(folder_ + "x.qgi", "game");
  CommandLine = folder_ + "x.qgi";
  EXPECT_EQ(LoadPackage(), 0);
  EXPECT_EQ(GameRequired, 1);
  EXPECT_EQ(TitleText, "QQ游戏:x");
  EXPECT_EQ(PackageFilePath, folder_ + "x.qgi");
  EXPECT_TRUE(IsExtractOnlyMode());
  EXPECT_EQ(VersionText, "版本：Orvane软件专用版");
}

TEST_F(LoadPackageTest, ParameterListNamesTheGame) {
  CommandLine = ScrambleHexText("斗地主,斗地主窗口,ddz.7z,ddz.exe", "0C3F").text;
  ASSERT_GT(CommandLine.size(), 30u);
  EXPECT_EQ(LoadPackage(), 0);
  EXPECT_EQ(GameRequired, 1);
  EXPECT_EQ(TitleText, "斗地主");
  EXPECT_EQ(GameWindowTitle, "斗地主窗口");
  EXPECT_EQ(GameProgramName, "ddz.exe");
  EXPECT_EQ(PackageFilePath, folder_ + "ddz.7z");
  EXPECT_TRUE(Requests().empty());
}

}  // namespace
}  // namespace orvane
