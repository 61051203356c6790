// Getting one file from the studio's servers into the program's folder,
// with the download page, its status line and progress bar.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "net/output_file.h"

namespace orvane {

// The file name of the download in progress, shown in the status line.
extern std::string DownloadName;

// Tries the first update host ("/port.php" form, which may answer with a
// "URL=" indirection), then the second update host and the web-site host
// ("/dowfile/" forms), into ProgramFolder + fileName + ".tmp", and gives
// the file its final name (replacing an older file of that name). True
// only when ProgramFolder + fileName now holds the downloaded file; false
// on failure or when the user stopped (AbortFlag stays 1 then). The
// observer, when given, sees the bytes of the file as they arrive.
bool DownloadFile(const std::string& fileName, const std::string& displayName,
                  DownloadObserver* observer = nullptr);

// The wizard's window procedure calls this for every message its command
// handlers did not take. Acts on WM_DOWNLOAD_PROGRESS only (wParam = bytes
// written + 1, lParam = announced total): the status line and the bar.
// Always 0, so the message goes on to default processing.
int32_t OnDownloadProgress(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Opens a web address or a file through the shell, with the wizard hidden
// for a second so the opened window comes to the front.
void OpenInShell(HWND window, const std::string& target);

}  // namespace orvane
