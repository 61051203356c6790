// Feeds arbitrary server bytes, split at arbitrary points over several
// connections that end in closes, resets or timeouts, to the download
// worker through a played-back socket layer. Checks the promises the
// callers rely on: the state ends idle, a file download either succeeds
// with "ok" and its file or leaves no file, a body with a length is never
// called complete at another size, and nothing is invented.
#include <fuzzer/FuzzedDataProvider.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "net/http_worker.h"
#include "net/network_state.h"
#include "net/output_file.h"
#include "scripted_socket_seam.h"

namespace {

using orvane::IoStatus;
using orvane::testing::ScriptedConnection;

void Check(bool condition) {
  if (!condition) std::abort();
}

const std::string& OutputPath() {
  static const std::string path = "/tmp/orvane-net-fuzz-" + std::to_string(::getpid()) + ".bin";
  return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  const bool fileMode = input.ConsumeBool();
  const int stopAfterBlocks = input.ConsumeIntegralInRange<int>(-1, 8);

  orvane::testing::ScriptedSocketSeam seam;
  size_t totalBytes = 0;
  const int connectionCount = input.ConsumeIntegralInRange<int>(1, 8);
  for (int c = 0; c < connectionCount && input.remaining_bytes() > 0; ++c) {
    ScriptedConnection connection;
    const int blocks = input.ConsumeIntegralInRange<int>(0, 6);
    for (int b = 0; b < blocks; ++b) {
      connection.blocks.push_back(input.ConsumeRandomLengthString(6000));
      totalBytes += connection.blocks.back().size();
    }
    const IoStatus ends[] = {IoStatus::kClosed, IoStatus::kFailed, IoStatus::kTimedOut};
    connection.end = ends[input.ConsumeIntegralInRange<int>(0, 2)];
    seam.connections.push_back(std::move(connection));
  }

  orvane::DownloadRequest request;
  request.url = "http://fuzz.example/start";
  if (fileMode) request.outputPath = OutputPath();
  int written = 0;
  orvane::DownloadHooks hooks;
  hooks.nowMs = [] { return 0u; };
  hooks.progress = [&](uint32_t position, int32_t announced) {
    Check(position >= 2 && announced != 0);
    if (stopAfterBlocks >= 0 && ++written > stopAfterBlocks) {
      orvane::NetworkState = orvane::kNetworkStopRequested;
    }
  };
  orvane::NetworkState = orvane::kNetworkStarted;
  orvane::RunDownload(request, seam, hooks);

  Check(orvane::NetworkState.load() == orvane::kNetworkIdle);
  Check(seam.cleanUps == 1);
  Check(request.errorText.empty() || request.errorText.find("\r\n") != std::string::npos);
  if (fileMode) {
    const bool exists = orvane::FileExists(OutputPath());
    Check(exists == (request.resultText == "ok"));
    Check(request.resultText.empty() || request.resultText == "ok");
    if (exists) Check(request.announcedLength > 0);
    if (exists && request.announcedLength > 1) {
      std::FILE* file = std::fopen(OutputPath().c_str(), "rb");
      Check(file != nullptr);
      std::fseek(file, 0, SEEK_END);
      Check(std::ftell(file) == request.announcedLength);
      std::fclose(file);
    }
    orvane::RemoveFileIfPresent(OutputPath());
  } else {
    Check(request.resultText.size() <= totalBytes);
    if (request.announcedLength > 1) {
      Check(request.resultText.size() == static_cast<size_t>(request.announcedLength));
    }
  }
  return 0;
}
