#include "net/start_download.h"

#include <mmsystem.h>
#include <wininet.h>

#include "base/win/handles.h"
#include "net/http_worker.h"
#include "net/network_state.h"
#include "net/socket_seam.h"
#include "net/wait_overlay.h"
#include "wizard/wizard_window.h"

namespace orvane {

namespace {

constexpr const char* kNoNetworkText = "无法连接到网络！！！\r\n可能你的电脑没上网";
constexpr const char* kErrorCaption = "出错";

bool SystemSaysConnected() {
  DWORD flags = 0;
  return ::InternetGetConnectedState(&flags, 0) != FALSE;
}

uint32_t TimerMs() {
  return ::timeGetTime();
}

void PostProgress(uint32_t position, int32_t announcedLength) {
  ::PostMessageA(WizardHandle, WM_DOWNLOAD_PROGRESS, static_cast<WPARAM>(position),
                 static_cast<LPARAM>(announcedLength));
}

}  // namespace

bool (*NetworkConnected)() = &SystemSaysConnected;

DWORD WINAPI DownloadWorker(LPVOID parameter) {
  DownloadRequest& request = *static_cast<DownloadRequest*>(parameter);
  try {
    DownloadHooks hooks;
    hooks.nowMs = &TimerMs;
    hooks.progress = &PostProgress;
    RunDownload(request, PlatformSockets(), hooks);
  } catch (...) {
    // An exception leaving a thread ends the process: a failed transfer
    // instead.
    request.resultText.clear();
    NetworkState = kNetworkIdle;
  }
  return 0;
}

std::string StartDownload(HWND window, const std::string& url, const std::string& outputPath,
                          DownloadObserver* observer) {
  if (url.empty()) return std::string();
  NetworkState = kNetworkStarted;
  DownloadRequest request;
  request.url = url;
  request.outputPath = outputPath;
  request.window = window;
  request.observer = observer;

  if (!NetworkConnected()) {
    request.errorText = kNoNetworkText;
  } else {
    DWORD threadId = 0;
    UniqueHandle thread(::CreateThread(nullptr, 0, &DownloadWorker, &request, 0, &threadId));
    if (thread) {
      WaitOverlay(window, thread.get());
      NetworkState = kNetworkIdle;
      ::WaitForSingleObject(thread.get(), INFINITE);
    }
  }

  NetworkState = kNetworkIdle;
  if (!request.errorText.empty()) {
    ::MessageBoxA(window, request.errorText.c_str(), kErrorCaption, MB_ICONERROR);
    return std::string();
  }
  return request.resultText;
}

}  // namespace orvane
