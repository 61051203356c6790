// net_fetch URL OUTPUT: one download with the wizard's worker over BSD
// sockets, for the benchmark script. Prints the seconds taken; exit code 0
// when the worker reported success.
#include <chrono>
#include <cstdio>

#include "net/http_worker.h"
#include "net/network_state.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: net_fetch URL OUTPUT\n");
    return 2;
  }
  orvane::DownloadRequest request;
  request.url = argv[1];
  request.outputPath = argv[2];
  orvane::DownloadHooks hooks;
  hooks.nowMs = [] {
    return static_cast<uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                     std::chrono::steady_clock::now().time_since_epoch())
                                     .count());
  };
  orvane::NetworkState = orvane::kNetworkStarted;
  const auto start = std::chrono::steady_clock::now();
  orvane::RunDownload(request, orvane::PlatformSockets(), hooks);
  const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
  std::printf("%.4f\n", took.count());
  if (!request.errorText.empty()) std::fprintf(stderr, "net_fetch: failed\n");
  return request.resultText == "ok" ? 0 : 1;
}
