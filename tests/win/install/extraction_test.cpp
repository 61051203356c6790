#include <windows.h>
// after windows.h, which it needs
#include <commctrl.h>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <string>
#include <vector>

#include "archiver/sevenzip_api.h"
#include "install/archive_extraction.h"
#include "install/archive_library.h"
#include "startup/process_values.h"
#include "win/install/install_win_fixture.h"
#include "wizard/controls.h"
#include "wizard/page_state.h"
#include "wizard/wizard_window.h"

namespace orvane::install_test {
namespace {

constexpr UINT kObserve = WM_APP + 7;

// A window whose posted message is dispatched by the library while it
// extracts: it notes the busy phase then and may ask for a stop.
struct Observer {
  HWND window = nullptr;
  bool stop = false;
  int seenBusyPhase = -1;
};
Observer TheObserver;

LRESULT CALLBACK ObserverProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kObserve) {
    TheObserver.seenBusyPhase = BusyPhase;
    if (TheObserver.stop) AbortFlag = 1;
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

HWND ObserverWindow() {
  if (!TheObserver.window) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = &ObserverProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "OrvaneInstallTestObserver";
    RegisterClassA(&wc);
    TheObserver.window = CreateWindowA(wc.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                       wc.hInstance, nullptr);
  }
  return TheObserver.window;
}

const char* const kPackageFiles[] = {"readme.txt", "empty.txt", "bin\\app.dat", "数据\\说明.txt"};

class ExtractionTest : public WizardTest {
 protected:
  void SetUp() override {
    WizardTest::SetUp();
    ProgramFolder = BuildFolder();
    TheObserver.stop = false;
    TheObserver.seenBusyPhase = -1;
  }
  std::string Package() const { return DataFolder() + "package.7z"; }
};

TEST_F(ExtractionTest, ExtractsThePackageWithItsFoldersWhileBusy) {
  const std::string out = FreshFolder("extract-all");
  BoxAnswerer boxes([](const driver::MessageBoxInfo&) { return IDOK; });
  PostMessageA(ObserverWindow(), kObserve, 0, 0);
  ASSERT_TRUE(ExtractArchive(Package(), out));
  for (const char* file : kPackageFiles) {
    SCOPED_TRACE(file);
    EXPECT_EQ(ReadBytes(out + file), ReadBytes(DataFolder() + "tree\\" + file));
  }
  EXPECT_EQ(TheObserver.seenBusyPhase, 1);
  EXPECT_EQ(BusyPhase, 0);
  EXPECT_TRUE(boxes.boxes().empty());
}

TEST_F(ExtractionTest, OverwritesFilesOfTheSameNameAndTakesAFolderWithoutBackslash) {
  const std::string out = FreshFolder("extract-over");
  CreateDirectoryA((out + "bin").c_str(), nullptr);
  WriteBytes(out + "readme.txt", "old");
  WriteBytes(out + "keep.txt", "mine");
  ASSERT_TRUE(ExtractArchive(Package(), out.substr(0, out.size() - 1)));
  EXPECT_EQ(ReadBytes(out + "readme.txt"), ReadBytes(DataFolder() + "tree\\readme.txt"));
  EXPECT_EQ(ReadBytes(out + "keep.txt"), "mine");
}

TEST_F(ExtractionTest, StatusLineNamesTheFileWhenThreeHundredMillisecondsHavePassed) {
  {
    // Every reading of this clock is a second after the one before.
    FakeClock clock(1'000'000, 1000);
    ControlSpy label(ProgressLabel);
    ControlSpy bar(ProgressBar);
    ASSERT_TRUE(ExtractArchive(Package(), FreshFolder("extract-status")));
    // One line per file that begins, each "解压：" and the name in the archive.
    ASSERT_EQ(label.texts.size(), std::size(kPackageFiles));
    for (const std::string& text : label.texts) EXPECT_EQ(text.rfind("解压：", 0), 0u) << text;
    EXPECT_NE(std::find(label.texts.begin(), label.texts.end(), "解压：bin\\app.dat"),
              label.texts.end());
    EXPECT_EQ(bar.positions.back(), 100);
  }
  {
    // Files beginning 300 ms apart: a line for the first, none exactly 300 ms
    // later, the next one 600 ms after the line.
    ExtractInfo info{};
    info.file_size = 10;
    FakeClock clock(7'000'000, 300);
    ControlSpy label(ProgressLabel);
    for (const char* name : {"a.txt", "b.txt", "c.txt"}) {
      strcpy(info.source_name, name);
      EXPECT_EQ(ExtractProgress(nullptr, 0, kExtractFileBegins, &info), 1);
    }
    EXPECT_EQ(label.texts, (std::vector<std::string>{"解压：a.txt", "解压：c.txt"}));
  }
}

TEST_F(ExtractionTest, AStopRequestedWhileExtractingEndsItWithFalse) {
  const std::string out = FreshFolder("extract-stop");
  TheObserver.stop = true;
  PostMessageA(ObserverWindow(), kObserve, 0, 0);
  EXPECT_FALSE(ExtractArchive(Package(), out));
  EXPECT_EQ(AbortFlag, 1);
  EXPECT_EQ(BusyPhase, 0);
  int extracted = 0;
  for (const char* file : kPackageFiles) extracted += FileExists(out + file) ? 1 : 0;
  EXPECT_LT(extracted, static_cast<int>(std::size(kPackageFiles)));
}

TEST_F(ExtractionTest, TheCallbackAsksForAStopOnlyOnceAbortFlagIsSet) {
  ExtractInfo info{};
  info.file_size = 200;
  info.written_size = 5;
  EXPECT_EQ(ExtractProgress(nullptr, 0, kExtractFileProgress, &info), 1);
  EXPECT_EQ(SendMessageA(ProgressBar, PBM_GETPOS, 0, 0), 2);  // 2.5 % to the even neighbour
  EXPECT_EQ(ExtractProgress(nullptr, 0, 7, &info), 1);
  EXPECT_EQ(ExtractProgress(nullptr, 0, kExtractFileBegins, nullptr), 1);
  AbortFlag = 1;
  EXPECT_EQ(ExtractProgress(nullptr, 0, kExtractFileProgress, &info), 0);
}

TEST_F(ExtractionTest, TheBarMovesWithinAFileAtMostEveryFortyMilliseconds) {
  ExtractInfo info{};
  info.file_size = 1000;
  SendMessageA(ProgressBar, PBM_SETPOS, 1, 0);
  ControlSpy bar(ProgressBar);
  // Readings 100 ms apart from the first: each report may move the bar.
  {
    FakeClock clock(5'000'000, 100);
    for (uint32_t written : {100u, 100u, 500u}) {
      info.written_size = written;
      EXPECT_EQ(ExtractProgress(nullptr, 0, kExtractFileProgress, &info), 1);
    }
  }
  // The same position is never drawn twice.
  EXPECT_EQ(bar.positions, (std::vector<int>{10, 50}));
  // A clock that stands still: nothing new until the file is complete.
  {
    FakeClock clock(6'000'000, 0);
    for (uint32_t written : {600u, 700u, 990u, 1000u}) {
      info.written_size = written;
      EXPECT_EQ(ExtractProgress(nullptr, 0, kExtractFileProgress, &info), 1);
    }
  }
  EXPECT_EQ(bar.positions, (std::vector<int>{10, 50, 60, 100}));
}

TEST_F(ExtractionTest, AFileThatIsNoArchiveGivesFalseWithoutABox) {
  BoxAnswerer boxes([](const driver::MessageBoxInfo&) { return IDOK; });
  EXPECT_FALSE(ExtractArchive(DataFolder() + "not-an-archive.7z", FreshFolder("extract-none")));
  EXPECT_FALSE(PrepareArchive(DataFolder() + "missing.7z"));
  EXPECT_TRUE(boxes.boxes().empty());
}

TEST_F(ExtractionTest, ASecondExtractionUsesTheLibraryAlreadyLoaded) {
  ASSERT_TRUE(ExtractArchive(Package(), FreshFolder("extract-first")));
  const HMODULE loaded = ArchiveLibraryHandle;
  ASSERT_TRUE(loaded);
  // The program folder no longer holds the library: only the one in memory
  // can do the second extraction.
  ProgramFolder = FreshFolder("no-library");
  EXPECT_TRUE(ExtractArchive(Package(), FreshFolder("extract-second")));
  EXPECT_EQ(ArchiveLibraryHandle, loaded);
}

TEST_F(ExtractionTest, AMissingLibraryIsReportedAndTriedAgainNextTime) {
  ReleaseArchiveLibrary();
  ProgramFolder = FreshFolder("no-library");
  BoxAnswerer boxes([](const driver::MessageBoxInfo&) { return IDOK; });
  EXPECT_FALSE(ExtractArchive(Package(), FreshFolder("extract-missing")));
  ASSERT_EQ(boxes.boxes().size(), 1u);
  EXPECT_EQ(boxes.boxes()[0].caption, "安装Orvane软件");
  EXPECT_EQ(boxes.boxes()[0].text,
            "无法加载【7-zip32.dll】文件\r\n\r\n此为解压支持库文件，请检查自己检查。");
  EXPECT_FALSE(ArchiveLibraryHandle);

  ProgramFolder = BuildFolder();
  EXPECT_TRUE(PrepareArchive(Package()));
  EXPECT_TRUE(ArchiveLibraryHandle);
}

TEST_F(ExtractionTest, ALibraryWithoutEveryFunctionCountsAsMissing) {
  ReleaseArchiveLibrary();
  ProgramFolder = ORVANE_PARTIAL_LIBRARY_DIR_WIN;
  BoxAnswerer boxes([](const driver::MessageBoxInfo&) { return IDOK; });
  // The partial library ends this process if any of its functions is called.
  EXPECT_FALSE(ExtractArchive(Package(), FreshFolder("extract-partial")));
  ASSERT_EQ(boxes.boxes().size(), 1u);
  EXPECT_EQ(boxes.boxes()[0].caption, "安装Orvane软件");
  EXPECT_FALSE(ArchiveLibraryHandle);
  EXPECT_FALSE(
      GetModuleHandleA((std::string(ORVANE_PARTIAL_LIBRARY_DIR_WIN) + "7-zip32.dll").c_str()));
}

}  // namespace
}  // namespace orvane::install_test
