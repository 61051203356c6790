// The download worker over the product's Winsock layer, against the fault
// server on 127.0.1.20: the fault table that the native socket layer runs
// too, and a random fault run (ORVANE_FAULT_RUNS, ORVANE_FAULT_SEED).
#include <windows.h>

#include <filesystem>

#include "net_win_fixture.h"
#include "servers/download_faults.h"
#include "unit/net/worker_test_support.h"

namespace orvane::net_test {
namespace {

const std::string kFaultServer = "http://127.0.1.20";

class WinsockFaultTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    folder_ = std::string(temp) + "orvane-faults-" + std::to_string(GetCurrentProcessId()) + "\\";
    std::filesystem::create_directories(folder_);
  }
  void TearDown() override {
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
  }

  testing::FaultResult Fetch(const std::string& target, const DownloadLimits& limits) {
    const std::string out = folder_ + "download.bin";
    testing::FaultResult r;
    r.request = testing::Download(kFaultServer + target, out, limits).request;
    r.fileExists = GetFileAttributesA(out.c_str()) != INVALID_FILE_ATTRIBUTES;
    if (r.fileExists) r.fileContent = ReadBytes(out);
    DeleteFileA(out.c_str());
    return r;
  }
  testing::FaultDownload Fetcher() {
    return [this](const std::string& target, const DownloadLimits& limits) {
      return Fetch(target, limits);
    };
  }

  std::string folder_;
};

TEST_F(WinsockFaultTest, FaultTable) {
  testing::RunFaultTable(
      Fetcher(), [] { return ReadBytes(ServerFolder() + "fault.log"); }, true);
}

TEST_F(WinsockFaultTest, RandomFaultRun) {
  testing::RunRandomFaults(testing::FaultRunCount(60), testing::FaultRunSeed(), Fetcher());
}

}  // namespace
}  // namespace orvane::net_test
