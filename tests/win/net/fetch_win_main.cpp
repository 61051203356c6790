// net_fetch_win URL OUTPUT: one download with the product's worker over
// Winsock, for bench/net/run-bench.sh under Wine. Prints the seconds taken;
// exit code 0 when the worker reported success.
#include <windows.h>
// After windows.h, which it builds on.
#include <mmsystem.h>

#include <cstdio>

#include "net/http_worker.h"
#include "net/network_state.h"
#include "net/socket_seam.h"

namespace {
uint32_t TimerMs() {
  return ::timeGetTime();
}
}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: net_fetch_win URL OUTPUT\n");
    return 2;
  }
  orvane::DownloadRequest request;
  request.url = argv[1];
  request.outputPath = argv[2];
  orvane::DownloadHooks hooks;
  hooks.nowMs = &TimerMs;
  orvane::NetworkState = orvane::kNetworkStarted;
  LARGE_INTEGER frequency;
  LARGE_INTEGER start;
  LARGE_INTEGER end;
  ::QueryPerformanceFrequency(&frequency);
  ::QueryPerformanceCounter(&start);
  orvane::RunDownload(request, orvane::PlatformSockets(), hooks);
  ::QueryPerformanceCounter(&end);
  std::printf("%.4f\n", static_cast<double>(end.QuadPart - start.QuadPart) / frequency.QuadPart);
  return request.resultText == "ok" ? 0 : 1;
}
