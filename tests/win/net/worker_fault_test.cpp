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

  // One download; whether it left its file, and what the file holds.
  DownloadRequest Fetch(const std::string& target, const DownloadLimits& limits, bool& exists,
                        std::string& content) {
    const std::string out = folder_ + "download.bin";
    const testing::Outcome o = testing::Download(kFaultServer + target, out, limits);
    exists = GetFileAttributesA(out.c_str()) != INVALID_FILE_ATTRIBUTES;
    content = exists ? ReadBytes(out) : "";
    DeleteFileA(out.c_str());
    return o.request;
  }

  std::string folder_;
};

TEST_F(WinsockFaultTest, FaultTable) {
  for (const testing::FaultCase& c : testing::DownloadFaultTable()) {
    SCOPED_TRACE(c.name);
    DownloadLimits limits;
    if (c.receiveTimeoutMs) limits.receiveTimeoutMs = c.receiveTimeoutMs;
    bool exists = false;
    std::string content;
    const DownloadRequest request = Fetch(c.target, limits, exists, content);
    testing::ExpectDownloadVerdict(request, exists, content, c.seed,
                                   c.wineFileBytes.value_or(c.fileBytes));
    if (c.requests) {
      EXPECT_EQ(testing::RequestsIn(ReadBytes(ServerFolder() + "fault.log"), c.target), c.requests);
    }
  }
}

TEST_F(WinsockFaultTest, RandomFaultRun) {
  const testing::FaultRunTally tally =
      testing::RunRandomFaults(testing::FaultRunCount(60), testing::FaultRunSeed(),
                               [&](const std::string& target, bool& exists, std::string& content) {
                                 return Fetch(target, DownloadLimits{}, exists, content);
                               });
  EXPECT_EQ(tally.differ, 0);
  EXPECT_GT(tally.whole, 0);
}

}  // namespace
}  // namespace orvane::net_test
