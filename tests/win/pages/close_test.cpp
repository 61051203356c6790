// The close handler on the real wizard: a running download asks first, an
// extraction is always refused, a copy is refused without a question.
#include <gtest/gtest.h>
#include <windows.h>

#include <set>

#include "net/network_state.h"
#include "win/pages/pages_fixture.h"
#include "wizard/controls.h"
#include "wizard/page_state.h"
#include "wizard/wizard_window.h"

namespace orvane::pages_test {
namespace {

constexpr const char* kCaption = "Orvane软件安装";

struct SeenBox {
  std::string caption;
  std::string text;
  int defaultButton = 0;
};

// Answers the first message box with `reply` and records what it showed.
DialogAnswerer AnswerWith(int reply, SeenBox* seen) {
  return DialogAnswerer([reply, seen](HWND box) {
    seen->caption = WindowTextOf(box);
    seen->text = DialogText(box);
    for (int id : {IDYES, IDNO}) {
      const LONG style = GetWindowLongA(GetDlgItem(box, id), GWL_STYLE);
      if ((style & BS_TYPEMASK) == BS_DEFPUSHBUTTON) seen->defaultButton = id;
    }
    PressButton(box, reply);
    return true;
  });
}

// Answers every message box with `reply` and keeps each box it saw.
DialogAnswerer AnswerEvery(int reply, std::set<HWND>* boxes) {
  return DialogAnswerer([reply, boxes](HWND box) {
    if (boxes->insert(box).second) PressButton(box, reply);
    return false;
  });
}

int DestroysSeen = 0;

LRESULT CALLBACK CountingDestroys(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_DESTROY) ++DestroysSeen;
  return WizardWindowProc(window, message, wParam, lParam);
}

using CloseHandlerTest = WizardPagesTest;

TEST_F(CloseHandlerTest, DownloadRunningAnsweredNoKeepsEverything) {
  NetworkState.store(5);
  SeenBox seen;
  {
    DialogAnswerer answer = AnswerWith(IDNO, &seen);
    SendMessageA(window_, WM_CLOSE, 0, 0);
  }
  EXPECT_TRUE(IsWindow(window_));
  EXPECT_EQ(seen.caption, kCaption);
  EXPECT_EQ(seen.text, "正在下载文件中，是否要强制停止下载？");
  EXPECT_EQ(seen.defaultButton, IDNO);
  EXPECT_EQ(NetworkState.load(), 5);
  EXPECT_EQ(AbortFlag, 0);
}

TEST_F(CloseHandlerTest, DownloadRunningAnsweredYesStopsTheWorkerAndCloses) {
  NetworkState.store(1);
  SeenBox seen;
  {
    DialogAnswerer answer = AnswerWith(IDYES, &seen);
    SendMessageA(window_, WM_CLOSE, 0, 0);
  }
  EXPECT_EQ(seen.text, "正在下载文件中，是否要强制停止下载？");
  EXPECT_FALSE(IsWindow(window_));
  EXPECT_EQ(NetworkState.load(), kNetworkStopRequested);
  EXPECT_EQ(AbortFlag, 1);
}

// A second close while the first one asks or waits is refused: one
// question, and the window goes once, after the first close is done.
TEST_F(CloseHandlerTest, ACloseDuringTheQuestionIsRefused) {
  DestroysSeen = 0;
  SetWindowLongPtrA(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CountingDestroys));
  for (int phase : {1, 0}) {
    BusyPhase = phase;
    NetworkState.store(phase == 0 ? 1 : 0);
    std::set<HWND> boxes;
    {
      DialogAnswerer answer = AnswerEvery(IDYES, &boxes);
      PostMessageA(window_, WM_CLOSE, 0, 0);
      PostMessageA(window_, WM_CLOSE, 0, 0);
      Settle();
    }
    EXPECT_EQ(boxes.size(), 1u) << phase;
    EXPECT_EQ(AbortFlag, 1) << phase;
    EXPECT_EQ(IsWindow(window_) != 0, phase == 1) << phase;
    AbortFlag = 0;
  }
  EXPECT_EQ(NetworkState.load(), kNetworkStopRequested);
  EXPECT_EQ(DestroysSeen, 1);
}

TEST_F(CloseHandlerTest, ExtractionIsRefusedWhateverTheReply) {
  BusyPhase = 1;
  for (int reply : {IDNO, IDYES}) {
    SeenBox seen;
    {
      DialogAnswerer answer = AnswerWith(reply, &seen);
      SendMessageA(window_, WM_CLOSE, 0, 0);
    }
    EXPECT_TRUE(IsWindow(window_)) << reply;
    EXPECT_EQ(seen.caption, kCaption);
    EXPECT_EQ(seen.text, "正在解压文件中，是否要强制停止解压？");
    EXPECT_EQ(seen.defaultButton, IDNO);
    EXPECT_EQ(AbortFlag, reply == IDYES ? 1 : 0) << reply;
  }
}

TEST_F(CloseHandlerTest, CopyingIsRefusedWithoutAQuestion) {
  BusyPhase = 2;
  SeenBox seen;
  DialogAnswerer answer = AnswerWith(IDNO, &seen);
  SendMessageA(window_, WM_CLOSE, 0, 0);
  EXPECT_EQ(answer.dialogsSeen(), 0);
  EXPECT_TRUE(IsWindow(window_));
  EXPECT_EQ(AbortFlag, 1);
}

TEST_F(CloseHandlerTest, CancelOnUpToDateClosesWithoutAQuestion) {
  ShowPage(5);
  SeenBox seen;
  DialogAnswerer answer = AnswerWith(IDNO, &seen);
  SendMessageA(CancelButton, BM_CLICK, 0, 0);  // posts WM_CLOSE
  Settle();
  EXPECT_EQ(answer.dialogsSeen(), 0);
  EXPECT_FALSE(IsWindow(window_));
}

}  // namespace
}  // namespace orvane::pages_test
