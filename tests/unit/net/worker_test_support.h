// Running the worker against a live server and looking at the outcome.
#pragma once

#include <chrono>
#include <string>
#include <vector>

#include "net/http_worker.h"
#include "net/network_state.h"

namespace orvane::testing {

struct ProgressRecord {
  uint32_t position;
  int32_t announced;
};

struct Outcome {
  DownloadRequest request;
  std::vector<ProgressRecord> progress;
  std::chrono::milliseconds took{0};
};

inline uint32_t SteadyMs() {
  return static_cast<uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                   std::chrono::steady_clock::now().time_since_epoch())
                                   .count());
}

// One download as StartDownload runs it: NetworkState 1, then the worker.
// `onProgress` runs on the worker's thread after each recorded message.
template <typename OnProgress>
Outcome Download(const std::string& url, const std::string& outputPath,
                 const DownloadLimits& limits, OnProgress onProgress) {
  Outcome outcome;
  outcome.request.url = url;
  outcome.request.outputPath = outputPath;
  DownloadHooks hooks;
  hooks.nowMs = &SteadyMs;
  hooks.progress = [&](uint32_t position, int32_t announced) {
    outcome.progress.push_back({position, announced});
    onProgress();
  };
  NetworkState = kNetworkStarted;
  const auto start = std::chrono::steady_clock::now();
  RunDownload(outcome.request, PlatformSockets(), hooks, limits);
  outcome.took = std::chrono::duration_cast<std::chrono::milliseconds>(
      std::chrono::steady_clock::now() - start);
  return outcome;
}

inline Outcome Download(const std::string& url, const std::string& outputPath = "",
                        const DownloadLimits& limits = {}) {
  return Download(url, outputPath, limits, [] {});
}

}  // namespace orvane::testing
