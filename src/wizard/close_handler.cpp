#include "net/network_state.h"
#include "wizard/page_actions.h"
#include "wizard/page_state.h"
#include "wizard/wizard_window.h"

namespace orvane {
namespace {

constexpr const char* kCloseCaption = "Orvane软件安装";
constexpr const char* kStopDownloadQuestion = "正在下载文件中，是否要强制停止下载？";
constexpr const char* kStopExtractionQuestion = "正在解压文件中，是否要强制停止解压？";
// Long enough for the worker to see the stop request before the window goes.
constexpr int kWorkerStopWaitMs = 100;

// Set while a close asks or waits: both pump messages, and a second close
// then must neither ask again nor destroy the window under the first.
bool CloseUnderWay = false;

bool AskYes(HWND window, const char* question) {
  return MessageBoxA(window, question, kCloseCaption, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) ==
         IDYES;
}

}  // namespace

// Never stops work itself: it sets the flags the working steps test at their
// fixed points, and answers whether the window may close now.
int OnWizardClose(HWND window) {
  if (CloseUnderWay) return 1;
  CloseUnderWay = true;
  int refuse = 0;
  if (NetworkState.load() > 0) {
    if (AskYes(window, kStopDownloadQuestion)) {
      NetworkState.store(kNetworkStopRequested);
      AbortFlag = 1;
      WaitPumping(kWorkerStopWaitMs);
    } else {
      refuse = 1;
    }
  }
  // Extraction and copying cannot be left half done by closing the window:
  // they end the program themselves at their next check of AbortFlag.
  if (BusyPhase == 1) {
    if (AskYes(window, kStopExtractionQuestion)) AbortFlag = 1;
    refuse = 1;
  }
  if (BusyPhase == 2) {
    AbortFlag = 1;
    refuse = 1;
  }
  CloseUnderWay = false;
  return refuse;
}

}  // namespace orvane
