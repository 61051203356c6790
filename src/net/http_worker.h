// The HTTP/1.0 GET client: one request per call, up to five redirections,
// resume with a Range request after a broken connection, the body into a
// file or into a text. It runs on a worker thread; progress goes out
// through a callback (the Win32 side posts WM_DOWNLOAD_PROGRESS).
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "net/output_file.h"
#include "net/socket_seam.h"

namespace orvane {

struct DownloadRequest {
  std::string url;
  // Cleared once the request is sent; the body (text mode) or "ok".
  std::string resultText;
  // File for the body; empty keeps the body in resultText.
  std::string outputPath;
  // 0 no header seen, > 0 total size announced, -1 last answer redirected.
  int32_t announcedLength = 0;
  // The caller's window (an HWND in the product); the worker leaves it be.
  void* window = nullptr;
  // Empty, or the text of the failure that ended the transfer.
  std::string errorText;
  // Told of every byte written to outputPath; may be null.
  DownloadObserver* observer = nullptr;
};

// Bounds that keep a broken, silent or dripping server from holding the
// wizard. Running into one is a failure without a text, like a host that
// cannot be found.
struct DownloadLimits {
  int connectTimeoutMs = 15000;
  int receiveTimeoutMs = 30000;
  // Reconnects after broken connections, per request.
  int maxReconnects = 10;
  // A response header longer than this is refused.
  size_t maxHeaderBytes = 16 * 1024;
  // Blocking waits look at the stop request this often.
  int stopCheckMs = 100;
  // A text request (the update feed) ends within this time, whatever the
  // server does; the silent start-up check has nobody to stop it.
  int textDeadlineMs = 60000;
  // The feed is tiny: a longer text body is refused.
  size_t maxTextBytes = 1024 * 1024;
  // A transfer that brings fewer than stallFloorBytes in stallWindowMs is
  // given up, so a server dripping a byte now and then cannot hold a file
  // download (or the short answer naming the real address) for ever.
  size_t stallFloorBytes = 1024;
  int stallWindowMs = 60000;
};

struct DownloadHooks {
  // Milliseconds of a monotonic clock (timeGetTime in the product).
  std::function<uint32_t()> nowMs;
  // wParam = bytes written + 1, lParam = announced length.
  std::function<void(uint32_t position, int32_t announcedLength)> progress;
};

inline constexpr uint32_t kProgressIntervalMs = 300;
// Large receive blocks keep the system calls per megabyte few: under Wine
// each receive is two round trips to its server. 256 KiB blocks fetch
// twice as fast as 64 KiB ones, and 1 MiB blocks (with the 4 MiB socket
// buffer) about a tenth faster again. Memory stays the same whatever the
// file size.
inline constexpr size_t kReceiveBlockBytes = 1024 * 1024;

// Runs the whole transfer; NetworkState is 0 when it returns. A body is
// complete only when its announced length arrived, or, without a length,
// when the server closed the connection normally. It never throws: what
// goes wrong inside ends as a failed transfer.
void RunDownload(DownloadRequest& request, SocketSeam& sockets, const DownloadHooks& hooks,
                 const DownloadLimits& limits = {});

}  // namespace orvane
