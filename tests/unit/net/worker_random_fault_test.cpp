// The random fault run: many downloads, each with its own mix of resets
// and clean closes at random offsets, 200 answers to Range requests,
// headers in pieces, dripped bodies and servers that fail for good. Every
// result must be the whole file or no file at all. ORVANE_FAULT_RUNS and
// ORVANE_FAULT_SEED set the size and the seed (tests/long-fault-run.sh).
#include <gtest/gtest.h>

#include <filesystem>

#include "download_faults.h"
#include "loopback_servers.h"
#include "worker_test_support.h"

namespace orvane {
namespace {

TEST(WorkerRandomFaultTest, FilesAreWholeOrAbsent) {
  testing::FaultServer server("127.0.1.4");
  testing::TempFolder folder;
  int index = 0;
  const testing::FaultRunTally tally = testing::RunRandomFaults(
      testing::FaultRunCount(300), testing::FaultRunSeed(),
      [&](const std::string& target, bool& exists, std::string& content) {
        const std::string out = folder.File("f" + std::to_string(index++) + ".bin");
        const testing::Outcome o = testing::Download(server.Url(target), out);
        exists = std::filesystem::exists(out);
        if (exists) content = testing::ReadFile(out);
        std::filesystem::remove(out);
        return o.request;
      });
  EXPECT_EQ(tally.differ, 0);
  EXPECT_GT(tally.whole, 0);
}

}  // namespace
}  // namespace orvane
