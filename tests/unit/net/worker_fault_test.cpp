// The worker against the fault server on 127.0.1.2: the fault table that
// the Winsock layer runs too, odd headers, redirection forms, silent and
// dripping servers and stop requests.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <filesystem>
#include <thread>

#include "download_faults.h"
#include "loopback_servers.h"
#include "worker_test_support.h"

namespace orvane {
namespace {

using testing::Download;
using testing::FaultContent;
using testing::FaultServer;
using testing::Outcome;
using testing::TempFolder;

class WorkerFaultTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { server_ = std::make_unique<FaultServer>("127.0.1.2"); }
  static void TearDownTestSuite() { server_.reset(); }

  // Each test asks distinct targets: the server counts connections by target.
  std::string Url(const std::string& path) { return server_->Url(path); }
  size_t RequestsFor(const std::string& target) {
    return static_cast<size_t>(testing::RequestsIn(server_->Log(), target));
  }

  testing::FaultDownload Fetcher() {
    return [this](const std::string& target, const DownloadLimits& limits) {
      const std::string out = folder_.File("fetched.bin");
      testing::FaultResult r;
      r.request = Download(Url(target), out, limits).request;
      r.fileExists = std::filesystem::exists(out);
      if (r.fileExists) r.fileContent = testing::ReadFile(out);
      std::filesystem::remove(out);
      return r;
    };
  }

  static inline std::unique_ptr<FaultServer> server_;
  TempFolder folder_;
};

TEST_F(WorkerFaultTest, ResetAfter1000BytesResumesWith206) {
  const std::string out = folder_.File("a.bin");
  const Outcome o = Download(Url("/data/5000?seed=2&reset=1000"), out);
  EXPECT_EQ(o.request.resultText, "ok");
  EXPECT_TRUE(testing::ReadFile(out) == FaultContent(2, 5000));
  EXPECT_NE(server_->Log().find("GET /data/5000?seed=2&reset=1000 HTTP/1.0\r\nHost: 127.0.1.2\r\n"
                                "Connection: close\r\nRange: bytes=1000-\r\n"
                                "User-Agent: GetHTTP 0.0"),
            std::string::npos);
}

TEST_F(WorkerFaultTest, FaultTable) {
  testing::RunFaultTable(
      Fetcher(), [] { return server_->Log(); }, false);
}

// Each download with its own mix of resets and clean closes at random
// offsets, 200 answers to Range requests, headers in pieces, dripped bodies
// and servers that fail for good. ORVANE_FAULT_RUNS and ORVANE_FAULT_SEED
// set the size and the seed (scripts/long-fault-run.sh).
TEST_F(WorkerFaultTest, RandomFaultRun) {
  testing::RunRandomFaults(testing::FaultRunCount(300), testing::FaultRunSeed(), Fetcher());
}

TEST_F(WorkerFaultTest, MissingOrLowerCaseLengthAnnouncesOne) {
  for (const std::string option : {"nolength", "lower"}) {
    SCOPED_TRACE(option);
    const std::string out = folder_.File(option + ".bin");
    const Outcome o = Download(Url("/data/3000?seed=4&drip=1000&pause=5&" + option), out);
    EXPECT_EQ(o.request.resultText, "ok");
    EXPECT_EQ(o.request.announcedLength, 1);
    EXPECT_TRUE(testing::ReadFile(out) == FaultContent(4, 3000));
    ASSERT_FALSE(o.progress.empty());
    for (const auto& p : o.progress) EXPECT_EQ(p.announced, 1);
  }
}

TEST_F(WorkerFaultTest, NegativeLengthIsNotTakenForARedirection) {
  const Outcome o = Download(Url("/data/100?seed=6&length=-1"));
  EXPECT_EQ(o.request.announcedLength, 1);
  EXPECT_TRUE(o.request.resultText == FaultContent(6, 100));
  EXPECT_EQ(RequestsFor("/data/100?seed=6&length=-1"), 1u);
}

TEST_F(WorkerFaultTest, StatusLookalikeInTheBodyDoesNotResetTheFile) {
  // Every body packet starts with "HTTP/1.1 200 OK", also the first one
  // after the reconnect.
  const std::string out = folder_.File("e.bin");
  const Outcome o = Download(Url("/data/190?body=http&drip=19&pause=3&reset=38"), out);
  EXPECT_EQ(o.request.resultText, "ok");
  std::string expected;
  while (expected.size() < 190) expected += "HTTP/1.1 200 OK\r\n\r\n";
  EXPECT_EQ(testing::ReadFile(out), expected);
}

TEST_F(WorkerFaultTest, RedirectionFormsAndTheirLimit) {
  // Absolute address, path from the root, path below the root: five hops.
  for (const std::string form : {"abs", "path", "rel"}) {
    SCOPED_TRACE(form);
    const Outcome five = Download(Url("/redirect/5/64?form=" + form));
    EXPECT_TRUE(five.request.resultText == FaultContent(1, 64));
    const Outcome six = Download(Url("/redirect/6/64?form=" + form));
    EXPECT_EQ(six.request.resultText, "");
    EXPECT_EQ(six.request.announcedLength, 0);
  }
  // Without a Location the worker asks for the root of the same server.
  EXPECT_EQ(Download(Url("/redirect/1/64?form=none")).request.resultText, "root page");
}

TEST_F(WorkerFaultTest, NonSuccessStatusFailsAndRemovesTheOldFile) {
  for (const std::string code : {"404", "500", "100"}) {
    SCOPED_TRACE(code);
    const std::string out = folder_.File("old.bin");
    testing::WriteFile(out, "old");
    const Outcome o = Download(Url("/status/" + code), out);
    EXPECT_EQ(o.request.resultText, "");
    EXPECT_FALSE(std::filesystem::exists(out));
  }
}

TEST_F(WorkerFaultTest, SilentServerTimesOut) {
  DownloadLimits limits;
  limits.receiveTimeoutMs = 400;
  const std::string out = folder_.File("silent.bin");
  const Outcome o = Download(Url("/silent"), out, limits);
  EXPECT_EQ(o.request.resultText, "");
  EXPECT_FALSE(std::filesystem::exists(out));
  EXPECT_LT(o.took.count(), 5000);
}

TEST_F(WorkerFaultTest, DrippingServersAreGivenUp) {
  // A byte every 100 ms never trips the receive timeout: a text request
  // ends at its deadline, a file download when a stall window brings too
  // little. Neither leaves a text for a box.
  DownloadLimits limits;
  limits.textDeadlineMs = 800;
  limits.stallWindowMs = 800;
  const Outcome text = Download(Url("/data/600?seed=25&drip=1&pause=100"), "", limits);
  EXPECT_EQ(text.request.resultText, "");
  EXPECT_EQ(text.request.errorText, "");
  EXPECT_LT(text.took.count(), 3000);

  const std::string out = folder_.File("drip.bin");
  const Outcome file = Download(Url("/data/600?seed=26&drip=1&pause=100"), out, limits);
  EXPECT_EQ(file.request.resultText, "");
  EXPECT_EQ(file.request.errorText, "");
  EXPECT_FALSE(std::filesystem::exists(out));
  EXPECT_LT(file.took.count(), 3000);

  // A file that keeps coming faster than the floor is not cut.
  const Outcome steady = Download(Url("/data/3000?seed=27&drip=100&pause=20"), out, limits);
  EXPECT_EQ(steady.request.resultText, "ok");
}

TEST_F(WorkerFaultTest, StopIsSeenWhileTheServerIsSilent) {
  DownloadLimits limits;  // the default timeouts are far longer than this test
  std::thread stopper([] {
    // The stop comes once the worker waits for the answer.
    while (NetworkState.load() != kNetworkReceiving) std::this_thread::yield();
    NetworkState = kNetworkStopRequested;
  });
  const Outcome o = Download(Url("/silent"), "", limits);
  stopper.join();
  EXPECT_EQ(o.request.errorText, "");
  EXPECT_EQ(o.request.announcedLength, 0);
  EXPECT_LT(o.took.count(), 3000);
  EXPECT_EQ(NetworkState.load(), kNetworkIdle);
}

TEST_F(WorkerFaultTest, StopMidBodyDeletesThePartialFile) {
  const std::string out = folder_.File("stop.bin");
  const Outcome o = Download(Url("/data/20000?seed=9&drip=500&pause=20"), out, {},
                             [] { NetworkState = kNetworkStopRequested; });
  EXPECT_EQ(o.request.resultText, "");
  EXPECT_EQ(o.request.announcedLength, 0);
  EXPECT_EQ(o.progress.size(), 1u);
  EXPECT_FALSE(std::filesystem::exists(out));
  EXPECT_EQ(NetworkState.load(), kNetworkIdle);
}

TEST_F(WorkerFaultTest, EndlessResetsEndAsAFailure) {
  const std::string out = folder_.File("resets.bin");
  std::string resets = "500";
  for (int i = 0; i < 20; ++i) resets += ",500";
  const Outcome o =
      Download(Url("/data/5000?seed=10&answer=ffffffffffffffffffffff&reset=" + resets), out);
  EXPECT_EQ(o.request.resultText, "");
  EXPECT_FALSE(std::filesystem::exists(out));
  EXPECT_EQ(RequestsFor("/data/5000?seed=10&answer=ffffffffffffffffffffff&reset=" + resets),
            1u + DownloadLimits{}.maxReconnects);
}

// A file size limit makes writes fail part way, like a full disk.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    ::getrlimit(RLIMIT_FSIZE, &saved_);
    oldHandler_ = ::signal(SIGXFSZ, SIG_IGN);
    rlimit limited = saved_;
    limited.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &limited);
  }
  ~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &saved_);
    ::signal(SIGXFSZ, oldHandler_);
  }

 private:
  rlimit saved_{};
  sighandler_t oldHandler_;
};

TEST_F(WorkerFaultTest, FailedWriteFailsTheTransfer) {
  const std::string out = folder_.File("full.bin");
  Outcome o;
  {
    FileSizeLimit limit(100000);
    o = Download(Url("/data/400000?seed=11"), out);
  }
  EXPECT_EQ(o.request.resultText, "");
  EXPECT_EQ(o.request.announcedLength, 0);
  EXPECT_FALSE(std::filesystem::exists(out));
}

}  // namespace
}  // namespace orvane
