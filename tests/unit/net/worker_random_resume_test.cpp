// Many downloads of random files whose connections break at random offsets
// and whose resumes are answered with 206 or 200 at random: every result
// must be the whole file or no file at all.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "fault_content.h"
#include "loopback_servers.h"
#include "worker_test_support.h"

namespace orvane {
namespace {

TEST(WorkerRandomResumeTest, FilesAreWholeOrAbsent) {
  testing::FaultServer server("127.0.1.4");
  testing::TempFolder folder;
  std::mt19937 random(20261208);
  int whole = 0;
  for (int i = 0; i < 200; ++i) {
    const uint32_t size = std::uniform_int_distribution<uint32_t>(1, 24000)(random);
    const int resets = std::uniform_int_distribution<int>(0, 4)(random);
    std::string resetList;
    std::string answers;
    for (int r = 0; r < resets; ++r) {
      if (r > 0) resetList += ",";
      resetList += std::to_string(std::uniform_int_distribution<uint32_t>(0, size)(random));
      answers += std::bernoulli_distribution(0.5)(random) ? 'p' : 'f';
    }
    const std::string url =
        server.Url("/data/" + std::to_string(size) + "?seed=" + std::to_string(i) +
                   "&reset=" + resetList + "&answer=" + answers);
    SCOPED_TRACE(url);
    const std::string out = folder.File("f" + std::to_string(i) + ".bin");
    const testing::Outcome o = testing::Download(url, out);
    if (std::filesystem::exists(out)) {
      ASSERT_EQ(o.request.resultText, "ok");
      ASSERT_TRUE(testing::ReadFile(out) == testing::FaultContent(i, size));
      ++whole;
    } else {
      ASSERT_EQ(o.request.resultText, "");
    }
  }
  // Four breaks stay well inside the reconnect bound.
  EXPECT_EQ(whole, 200);
}

}  // namespace
}  // namespace orvane
