// The one call through which the program fetches anything: it checks that
// the computer is online, runs the download worker on a thread of its own
// and keeps the wizard alive behind the wait panel until the worker ends.
#pragma once

#include <windows.h>

#include <string>

#include "net/output_file.h"

namespace orvane {

// Text mode (empty outputPath): the response body, empty on failure. File
// mode: "ok" once outputPath holds the whole file, empty otherwise. A
// failure with a text is shown in a box captioned "出错" first. A null
// window is allowed: then nothing is drawn and the box has no owner. The
// observer, when given, sees every byte written to outputPath.
std::string StartDownload(HWND window, const std::string& url, const std::string& outputPath,
                          DownloadObserver* observer = nullptr);

// Thread procedure; the parameter is the DownloadRequest. Progress goes to
// WizardHandle as WM_DOWNLOAD_PROGRESS.
DWORD WINAPI DownloadWorker(LPVOID request);

// Whether the system reports a network connection. Tests replace it to
// play a machine without one.
extern bool (*NetworkConnected)();

}  // namespace orvane
