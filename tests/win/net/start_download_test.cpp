// StartDownload under Wine against nginx: text and file mode, the wait
// panel while a slow transfer runs, and the error boxes.
#include "net/start_download.h"

#include <commctrl.h>

#include "net/download_file.h"
#include "net/network_state.h"
#include "net/wait_panel_rules.h"
#include "net_win_fixture.h"
#include "startup/process_values.h"
#include "wizard/controls.h"

namespace orvane::net_test {
namespace {

std::string Pattern(size_t size) {
  std::string bytes(size, '\0');
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
  return bytes;
}

constexpr uint32_t kRed = 0xFF0000;  // COLORREF 0x0000FF as 0x00RRGGBB
constexpr uint32_t kGreen = 0x00FF00;
constexpr uint32_t kBlue = 0x0000FF;

using StartDownloadTest = NetWinTest;

TEST_F(StartDownloadTest, TextModeReturnsTheBody) {
  WriteBytes(ServerFolder() + "www10\\cu.txt", "$Orvane$feed text$Orvane$");
  EXPECT_EQ(StartDownload(window_, "http://127.0.1.10/cu.txt", ""), "$Orvane$feed text$Orvane$");
  EXPECT_EQ(NetworkState.load(), kNetworkIdle);
  // Without a window nothing is drawn, and the call still waits.
  EXPECT_EQ(StartDownload(nullptr, "https://127.0.1.10/cu.txt", ""), "$Orvane$feed text$Orvane$");
  EXPECT_EQ(StartDownload(window_, "", ""), "");
}

TEST_F(StartDownloadTest, FileModeWritesTheFileAndShowsProgress) {
  const std::string content = Pattern(3 * 1024 * 1024 + 17);
  WriteBytes(ServerFolder() + "www10\\package.7z", content);
  const std::string out = programFolder_ + "package.7z";
  DownloadName = "package.7z";
  EXPECT_EQ(StartDownload(window_, "http://127.0.1.10/package.7z", out), "ok");
  EXPECT_TRUE(ReadBytes(out) == content);
  // The first written block is reported at once.
  char label[256] = {};
  GetWindowTextA(ProgressLabel, label, sizeof label);
  const std::string total = "/共:" + std::to_string(content.size() / 1024) + "KB";
  EXPECT_EQ(std::string(label).rfind("下载【package.7z】中..完成:", 0), 0u) << label;
  EXPECT_NE(std::string(label).find(total), std::string::npos) << label;
}

TEST_F(StartDownloadTest, WaitPanelTurnsWhileATransferRunsAndLeavesNoTrace) {
  WriteBytes(ServerFolder() + "www10\\slow\\big.bin", Pattern(96 * 1024));
  const PixelRect panel = [this] {
    RECT client{};
    GetClientRect(window_, &client);
    return WaitPanelRect(client.right, client.bottom, sx, sy);
  }();
  Pixels during;
  OneShot capture(700, [&] { during = CaptureClient(window_); });
  EXPECT_EQ(StartDownload(window_, "http://127.0.1.10/slow/big.bin", programFolder_ + "big.bin"),
            "ok");
  ASSERT_GT(during.width, 0);
  SaveBitmap(during, "wait_panel");

  // Dots of every colour, all inside the panel.
  for (uint32_t colour : {kRed, kGreen, kBlue}) {
    int inside = 0;
    for (int y = panel.top; y < panel.top + panel.height; ++y) {
      for (int x = panel.left; x < panel.left + panel.width; ++x)
        inside += during.At(x, y) == colour;
    }
    EXPECT_GT(inside, 10) << std::hex << colour;
    EXPECT_EQ(inside, during.Count(colour)) << std::hex << colour;
  }
  // Dark text with its white halo in the middle of the panel.
  int white = 0;
  int dark = 0;
  for (int y = panel.top + static_cast<int>(23 * sy); y < panel.top + static_cast<int>(98 * sy);
       ++y) {
    for (int x = panel.left + static_cast<int>(10 * sx);
         x < panel.left + static_cast<int>(110 * sx); ++x) {
      white += during.At(x, y) == 0xFFFFFF;
      dark += during.At(x, y) == 0x000000;
    }
  }
  EXPECT_GT(white, 50);
  EXPECT_GT(dark, 20);

  const Pixels after = CaptureClient(window_);
  SaveBitmap(after, "wait_panel_after");
  EXPECT_EQ(after.Count(kRed), 0);
  EXPECT_EQ(after.Count(kGreen), 0);
}

TEST_F(StartDownloadTest, NoNetworkShowsItsBoxAndStartsNothing) {
  const auto systemCheck = NetworkConnected;
  NetworkConnected = [] { return false; };
  MessageBoxAnswerer answer;
  EXPECT_EQ(StartDownload(window_, "http://127.0.1.10/cu.txt", ""), "");
  NetworkConnected = systemCheck;
  EXPECT_EQ(answer.seen(), 1);
  EXPECT_EQ(answer.text(), "无法连接到网络！！！\r\n可能你的电脑没上网");
  EXPECT_EQ(answer.caption(), "出错");
  EXPECT_TRUE(AccessLog().empty());
  EXPECT_EQ(NetworkState.load(), kNetworkIdle);
}

TEST_F(StartDownloadTest, WorkerFailureTextIsShownInTheErrorBox) {
  MessageBoxAnswerer answer;
  // Nothing listens on 127.0.1.19.
  EXPECT_EQ(StartDownload(window_, "http://127.0.1.19/x.7z", programFolder_ + "x.7z"), "");
  EXPECT_EQ(answer.seen(), 1);
  EXPECT_EQ(answer.text(), " 连接到主机出错:10061\r\n可能被杀毒软件拦截了");
  EXPECT_EQ(answer.caption(), "出错");
}

TEST_F(StartDownloadTest, StopRequestFromTheWindowThreadEndsTheTransfer) {
  WriteBytes(ServerFolder() + "www10\\slow\\stop.bin", Pattern(240 * 1024));
  const std::string out = programFolder_ + "stop.bin";
  // The close handler stores 2 from inside the pumping loop.
  OneShot stop(300, [] { NetworkState = kNetworkStopRequested; });
  const DWORD start = GetTickCount();
  EXPECT_EQ(StartDownload(window_, "http://127.0.1.10/slow/stop.bin", out), "");
  // The whole file would take five seconds at the server's rate.
  EXPECT_LT(GetTickCount() - start, 2500u);
  EXPECT_EQ(GetFileAttributesA(out.c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(NetworkState.load(), kNetworkIdle);
}

}  // namespace
}  // namespace orvane::net_test
