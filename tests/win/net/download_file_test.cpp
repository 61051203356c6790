// DownloadFile under Wine against nginx on the three stand-in studio hosts
// 127.0.1.11-13: the attempts in order, the "URL=" indirection and its
// size limits, the final name, and the progress line.
#include "net/download_file.h"

#include <commctrl.h>

#include <cstdlib>
#include <filesystem>

#include "build_constants.h"
#include "net/download_rules.h"
#include "net_win_fixture.h"
#include "wizard/controls.h"
#include "wizard/page_state.h"
#include "wizard/wizard_window.h"

namespace orvane::net_test {
namespace {

std::string Package(size_t size, char seed) {
  std::string bytes(size, '\0');
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>(seed + i * 13 + i / 97);
  return bytes;
}

// The check value of an address: some r in 1..900 must explain it.
bool CheckValueFits(const std::string& fileName, int32_t value) {
  const int32_t key = static_cast<int32_t>(std::atol(build::kCheckKey));
  for (int32_t r = 1; r <= 900; ++r) {
    if (RequestCheckValue(fileName, r, key) == value) return true;
  }
  return false;
}

class DownloadFileTest : public NetWinTest {
 protected:
  void SetUp() override {
    NetWinTest::SetUp();
    for (const char* host : {"www11", "www12", "www13"}) {
      DeleteFileA((ServerFolder() + host + "\\port-answer.txt").c_str());
      std::filesystem::remove_all(ServerFolder() + host + "\\dowfile");
      std::filesystem::create_directories(ServerFolder() + host + "\\dowfile\\pipei");
    }
  }
  void Answer(const std::string& text) {
    WriteBytes(ServerFolder() + "www11\\port-answer.txt", text);
  }
  std::string Saved(const std::string& name) { return ReadBytes(programFolder_ + name); }
};

TEST_F(DownloadFileTest, AttemptsGoToTheThreeHostsInOrder) {
  const std::string package = Package(5000, 'g');
  WriteBytes(ServerFolder() + "www13\\dowfile\\game.rar", package);
  EXPECT_TRUE(DownloadFile("Game.7z", "游戏包"));
  EXPECT_TRUE(Saved("Game.7z") == package);
  EXPECT_EQ(GetFileAttributesA((programFolder_ + "Game.7z.tmp").c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(InstallPage, WizardPage::Downloading);
  EXPECT_EQ(PageHeading, "游戏包");
  EXPECT_EQ(DownloadName, "Game.7z");

  const std::vector<std::string> log = AccessLog();
  ASSERT_EQ(log.size(), 3u);
  const std::string first = "127.0.1.11 GET /port.php?c=do&a=Game.7z&b=";
  ASSERT_EQ(log[0].rfind(first, 0), 0u) << log[0];
  const std::string value =
      log[0].substr(first.size(), log[0].find(' ', first.size()) - first.size());
  EXPECT_TRUE(CheckValueFits("Game.7z", static_cast<int32_t>(std::atol(value.c_str())))) << value;
  EXPECT_EQ(log[1], "127.0.1.12 GET /dowfile/game.rar HTTP/1.0");
  EXPECT_EQ(log[2], "127.0.1.13 GET /dowfile/game.rar HTTP/1.0");
}

TEST_F(DownloadFileTest, ProgramFilesGoBelowPipeiAsPictures) {
  const std::string program = Package(3000, 'e');
  WriteBytes(ServerFolder() + "www12\\dowfile\\pipei\\tool.jpg", program);
  EXPECT_TRUE(DownloadFile("TOOL.EXE", "工具"));
  EXPECT_TRUE(Saved("TOOL.EXE") == program);
  const std::vector<std::string> log = AccessLog();
  ASSERT_EQ(log.size(), 2u);
  EXPECT_EQ(log[1], "127.0.1.12 GET /dowfile/pipei/tool.jpg HTTP/1.0");
}

TEST_F(DownloadFileTest, IndirectionReplacesTheAnswer) {
  const std::string package = Package(4000, 'i');
  WriteBytes(ServerFolder() + "www12\\real.bin", package);
  std::string answer =
      "<html><meta http-equiv=\"refresh\" content=\"0;URL=http://127.0.1.12/real.bin\">";
  answer.resize(120, ' ');
  Answer(answer);
  EXPECT_TRUE(DownloadFile("Game.7z", "游戏包"));
  EXPECT_TRUE(Saved("Game.7z") == package);
  const std::vector<std::string> log = AccessLog();
  ASSERT_EQ(log.size(), 2u);
  EXPECT_EQ(log[1], "127.0.1.12 GET /real.bin HTTP/1.0");
}

TEST_F(DownloadFileTest, AnswerOf30BytesIsExaminedAnd29BytesFail) {
  const std::string package = Package(2000, 'r');
  WriteBytes(ServerFolder() + "www12\\r.bin", package);
  const std::string thirty = "URL=http://127.0.1.12/r.bin\"..";
  ASSERT_EQ(thirty.size(), 30u);
  Answer(thirty);
  EXPECT_TRUE(DownloadFile("a.7z", "a"));
  EXPECT_TRUE(Saved("a.7z") == package);
  EXPECT_EQ(AccessLog().size(), 2u);

  ClearAccessLog();
  Answer(thirty.substr(0, 29));
  WriteBytes(ServerFolder() + "www12\\dowfile\\b.rar", package);
  EXPECT_TRUE(DownloadFile("b.7z", "b"));
  const std::vector<std::string> log = AccessLog();
  ASSERT_EQ(log.size(), 2u);
  EXPECT_EQ(log[1], "127.0.1.12 GET /dowfile/b.rar HTTP/1.0");
}

TEST_F(DownloadFileTest, AnswerWithoutQuoteIsTheFileItself) {
  const std::string answer = "this answer says URL=somewhere but has no quote at all";
  Answer(answer);
  EXPECT_TRUE(DownloadFile("c.7z", "c"));
  EXPECT_EQ(Saved("c.7z"), answer);
  EXPECT_EQ(AccessLog().size(), 1u);
}

TEST_F(DownloadFileTest, ExistingFileOfTheFinalNameIsReplaced) {
  WriteBytes(programFolder_ + "d.7z", "an older package");
  const std::string package = Package(1500, 'd');
  WriteBytes(ServerFolder() + "www12\\dowfile\\d.rar", package);
  EXPECT_TRUE(DownloadFile("d.7z", "d"));
  EXPECT_TRUE(Saved("d.7z") == package);
}

TEST_F(DownloadFileTest, NoHostHasTheFile) {
  EXPECT_FALSE(DownloadFile("none.7z", "none"));
  EXPECT_EQ(GetFileAttributesA((programFolder_ + "none.7z").c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(AccessLog().size(), 3u);
  EXPECT_EQ(AbortFlag, 0);
}

TEST_F(DownloadFileTest, ProgressMessageWritesTheStatusLineAndBar) {
  DownloadName = "name";
  SendMessageA(window_, WM_DOWNLOAD_PROGRESS, 1048577, 2097152);
  char label[256] = {};
  GetWindowTextA(ProgressLabel, label, sizeof label);
  EXPECT_STREQ(label, "下载【name】中..完成:1024KB(50.00%)/共:2048KB");
  EXPECT_EQ(SendMessageA(ProgressBar, PBM_GETPOS, 0, 0), 50);
  EXPECT_EQ(OnDownloadProgress(window_, WM_DOWNLOAD_PROGRESS, 1, 1), 0);
  EXPECT_EQ(OnDownloadProgress(window_, WM_USER + 1, 1, 1), 0);
}

}  // namespace
}  // namespace orvane::net_test
