// The worker's response handling over a played-back socket layer: the
// cases that need exact block boundaries or a controlled clock.
#include <gtest/gtest.h>

#include "loopback_servers.h"
#include "net/http_worker.h"
#include "net/network_state.h"
#include "scripted_socket_seam.h"

namespace orvane {
namespace {

using testing::ScriptedConnection;
using testing::ScriptedSocketSeam;

struct Progress {
  uint32_t position;
  int32_t announced;
};

class WorkerScriptedTest : public ::testing::Test {
 protected:
  void SetUp() override { NetworkState = kNetworkStarted; }

  DownloadRequest Run(const std::string& url, const std::string& outputPath = "") {
    DownloadRequest request;
    request.url = url;
    request.outputPath = outputPath;
    DownloadHooks hooks;
    hooks.nowMs = [this] {
      const uint32_t now = times_.empty() ? 0 : times_.front();
      if (times_.size() > 1) times_.erase(times_.begin());
      return now;
    };
    hooks.progress = [this](uint32_t position, int32_t announced) {
      progress_.push_back({position, announced});
    };
    RunDownload(request, seam_, hooks);
    return request;
  }

  ScriptedSocketSeam seam_;
  std::vector<uint32_t> times_;
  std::vector<Progress> progress_;
};

TEST_F(WorkerScriptedTest, HeaderSplitOverBlocksIsGatheredFirst) {
  seam_.connections.push_back(ScriptedConnection{
      {"HTTP/1.", "1 200 OK\r\nContent-Le", "ngth: 10\r\n", "\r", "\n0123", "456789"}});
  const DownloadRequest r = Run("http://h/x");
  EXPECT_EQ(r.resultText, "0123456789");
  EXPECT_EQ(r.announcedLength, 10);
  EXPECT_EQ(r.errorText, "");
  EXPECT_EQ(NetworkState.load(), kNetworkIdle);
  EXPECT_EQ(seam_.cleanUps, 1);
}

TEST_F(WorkerScriptedTest, OversizedHeaderIsRefused) {
  seam_.connections.push_back(
      ScriptedConnection{{"HTTP/1.1 200 OK\r\nX: " + std::string(20000, 'a'), "\r\n\r\nbody"}});
  const DownloadRequest r = Run("http://h/x");
  EXPECT_EQ(r.announcedLength, 0);
  EXPECT_EQ(r.resultText, "");
}

TEST_F(WorkerScriptedTest, HeaderEndedByCloseIsJudgedAsItIs) {
  // A 200 whose header never ends: a body of nothing, length unknown.
  seam_.connections.push_back(ScriptedConnection{{"HTTP/1.0 200 OK\r\n"}});
  const DownloadRequest r = Run("http://h/x");
  EXPECT_EQ(r.announcedLength, 1);
  EXPECT_EQ(r.resultText, "");
  // One that declares a length still owes its body: asked for again.
  seam_.connections.push_back(ScriptedConnection{{"HTTP/1.0 200 OK\r\nContent-Length: 4\r\n"}});
  seam_.connections.push_back(ScriptedConnection{{"HTTP/1.0 206 P\r\n\r\nabcd"}});
  EXPECT_EQ(Run("http://h/x").resultText, "abcd");
  EXPECT_NE(seam_.requests.back().find("Range: bytes=0-"), std::string::npos);
}

TEST_F(WorkerScriptedTest, ResumeInTextModeAppendsTheBodyOnce) {
  seam_.connections.push_back(
      ScriptedConnection{{"HTTP/1.1 200 OK\r\nContent-Length: 8\r\n\r\nabc"}, IoStatus::kFailed});
  seam_.connections.push_back(
      ScriptedConnection{{"HTTP/1.1 206 Partial\r\nContent-Range: bytes 3-7/8\r\n\r\ndefgh"}});
  const DownloadRequest r = Run("http://h/feed");
  EXPECT_EQ(r.resultText, "abcdefgh");
  ASSERT_EQ(seam_.requests.size(), 2u);
  EXPECT_NE(seam_.requests[1].find("\r\nRange: bytes=3-\r\n"), std::string::npos);
}

TEST_F(WorkerScriptedTest, RangeIgnoredByTheServerStartsTheTextAgain) {
  seam_.connections.push_back(
      ScriptedConnection{{"HTTP/1.1 200 OK\r\nContent-Length: 6\r\n\r\nabc"}, IoStatus::kTimedOut});
  seam_.connections.push_back(
      ScriptedConnection{{"HTTP/1.1 200 OK\r\nContent-Length: 6\r\n\r\n", "abcdef"}});
  EXPECT_EQ(Run("http://h/feed").resultText, "abcdef");
}

TEST_F(WorkerScriptedTest, BodyThatLooksLikeAStatusLineIsData) {
  const std::string lookalike = "HTTP/1.1 200 OK\r\n\r\n";
  seam_.connections.push_back(ScriptedConnection{
      {"HTTP/1.1 200 OK\r\nContent-Length: 57\r\n\r\n", lookalike, lookalike}, IoStatus::kFailed});
  seam_.connections.push_back(ScriptedConnection{{"HTTP/1.1 206 P\r\n\r\n", lookalike}});
  EXPECT_EQ(Run("http://h/x").resultText, lookalike + lookalike + lookalike);
}

TEST_F(WorkerScriptedTest, ResetOneByteBeforeTheEndIsResumed) {
  seam_.connections.push_back(
      ScriptedConnection{{"HTTP/1.1 200 OK\r\nContent-Length: 4\r\n\r\nabc"}, IoStatus::kFailed});
  seam_.connections.push_back(ScriptedConnection{{"HTTP/1.1 206 P\r\n\r\nd"}});
  EXPECT_EQ(Run("http://h/x").resultText, "abcd");
  EXPECT_EQ(seam_.requests.size(), 2u);
}

TEST_F(WorkerScriptedTest, ResumeAtTheWrongOffsetIsNotWritten) {
  seam_.connections.push_back(
      ScriptedConnection{{"HTTP/1.1 200 OK\r\nContent-Length: 4\r\n\r\nab"}, IoStatus::kFailed});
  seam_.connections.push_back(
      ScriptedConnection{{"HTTP/1.1 206 P\r\nContent-Range: bytes 0-3/4\r\n\r\nabcd"}});
  seam_.connections.push_back(
      ScriptedConnection{{"HTTP/1.1 206 P\r\nContent-Range: bytes 2-3/4\r\n\r\ncd"}});
  EXPECT_EQ(Run("http://h/x").resultText, "abcd");
  EXPECT_EQ(seam_.requests.size(), 3u);
}

TEST_F(WorkerScriptedTest, ReconnectsAreBounded) {
  seam_.connections.push_back(
      ScriptedConnection{{"HTTP/1.1 200 OK\r\nContent-Length: 9\r\n\r\nab"}, IoStatus::kFailed});
  for (int i = 0; i < 30; ++i) {
    seam_.connections.push_back(ScriptedConnection{{"HTTP/1.1 503 Busy\r\n\r\n"}});
  }
  const DownloadRequest r = Run("http://h/x");
  EXPECT_EQ(r.announcedLength, 0);
  EXPECT_EQ(seam_.requests.size(), 1u + DownloadLimits{}.maxReconnects);
}

TEST_F(WorkerScriptedTest, TextBodyOverItsCapIsAPlainFailure) {
  const std::string body(DownloadLimits{}.maxTextBytes + 1, 'x');
  seam_.connections.push_back(ScriptedConnection{{"HTTP/1.0 200 OK\r\n\r\n", body}});
  const DownloadRequest r = Run("http://h/feed");
  EXPECT_EQ(r.resultText, "");
  EXPECT_EQ(r.errorText, "");
  EXPECT_EQ(r.announcedLength, 0);
}

TEST_F(WorkerScriptedTest, FailedTextTransferHandsBackNothing) {
  // Without a length a reset cuts the body short: no half feed.
  seam_.connections.push_back(
      ScriptedConnection{{"HTTP/1.0 200 OK\r\n\r\n$Orvane$12"}, IoStatus::kFailed});
  EXPECT_EQ(Run("http://h/feed").resultText, "");
  EXPECT_EQ(seam_.requests.size(), 1u);
}

TEST_F(WorkerScriptedTest, ExceptionInsideTheWorkerIsAFailedTransfer) {
  testing::TempFolder folder;
  const std::string path = folder.File("thrown.bin");
  seam_.throwAtReceive = 2;
  seam_.connections.push_back(
      ScriptedConnection{{"HTTP/1.1 200 OK\r\nContent-Length: 9\r\n\r\nabc", "def"}});
  const DownloadRequest r = Run("http://h/x", path);
  EXPECT_EQ(r.resultText, "");
  EXPECT_EQ(r.announcedLength, 0);
  EXPECT_FALSE(std::filesystem::exists(path));
  EXPECT_EQ(seam_.cleanUps, 1);
  EXPECT_EQ(NetworkState.load(), kNetworkIdle);
}

TEST_F(WorkerScriptedTest, ProgressIsPostedAtOnceThenAfterMoreThan300Ms) {
  testing::TempFolder folder;
  const std::string path = folder.File("out.bin");
  times_ = {5, 100, 305, 306, 700};
  seam_.connections.push_back(
      ScriptedConnection{{"HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\na", "b", "c", "d", "e"}});
  const DownloadRequest r = Run("http://h/x", path);
  EXPECT_EQ(r.resultText, "ok");
  EXPECT_EQ(testing::ReadFile(path), "abcde");
  ASSERT_EQ(progress_.size(), 3u);
  EXPECT_EQ(progress_[0].position, 2u);  // bytes written + 1
  EXPECT_EQ(progress_[1].position, 5u);
  EXPECT_EQ(progress_[2].position, 6u);
  EXPECT_EQ(progress_[2].announced, 5);
}

TEST_F(WorkerScriptedTest, EmptyBodyStillLeavesTheFile) {
  testing::TempFolder folder;
  const std::string path = folder.File("empty.bin");
  seam_.connections.push_back(ScriptedConnection{{"HTTP/1.1 200 OK\r\n\r\n"}});
  EXPECT_EQ(Run("http://h/x", path).resultText, "ok");
  EXPECT_TRUE(std::filesystem::exists(path));
  EXPECT_TRUE(progress_.empty());
}

TEST_F(WorkerScriptedTest, StopRequestSurvivesTheWorkerStages) {
  NetworkState = kNetworkStopRequested;
  seam_.connections.push_back(ScriptedConnection{{"HTTP/1.1 200 OK\r\n\r\nabc"}});
  const DownloadRequest r = Run("http://h/x");
  EXPECT_TRUE(seam_.requests.empty());
  EXPECT_EQ(r.announcedLength, 0);
  EXPECT_EQ(r.errorText, "");
  EXPECT_EQ(NetworkState.load(), kNetworkIdle);
}

TEST_F(WorkerScriptedTest, FailuresBeforeTheRequestCarryTheirTexts) {
  seam_.startFails = true;
  EXPECT_EQ(Run("http://h/x").errorText, "初始化 WinSock 失败！！");
  EXPECT_EQ(seam_.cleanUps, 0);
  seam_.startFails = false;
  EXPECT_EQ(Run("http:// /x").errorText, "网址无效!!");
  // No scripted connection: the connect fails with the platform's code.
  EXPECT_EQ(Run("http://h/x").errorText, " 连接到主机出错:10061\r\n可能被杀毒软件拦截了");
  // The lookup failure has no text.
  const DownloadRequest unknown = Run("http://unknown.invalid/x");
  EXPECT_EQ(unknown.errorText, "");
  EXPECT_TRUE(seam_.requests.empty());
}

TEST_F(WorkerScriptedTest, FailedResumeConnectNamesTheResume) {
  seam_.connections.push_back(
      ScriptedConnection{{"HTTP/1.1 200 OK\r\nContent-Length: 9\r\n\r\nab"}, IoStatus::kFailed});
  EXPECT_EQ(Run("http://h/x").errorText, "续传 连接到主机出错:10061\r\n可能被杀毒软件拦截了");
}

TEST_F(WorkerScriptedTest, RedirectionsFollowTheLocation) {
  seam_.connections.push_back(
      ScriptedConnection{{"HTTP/1.1 301 Moved\r\nLocation: http://other/y\r\n\r\n"}});
  seam_.connections.push_back(ScriptedConnection{{"HTTP/1.1 302 Found\r\nLocation: z/w\r\n\r\n"}});
  seam_.connections.push_back(ScriptedConnection{{"HTTP/1.0 302 Found\r\n\r\n"}});
  seam_.connections.push_back(ScriptedConnection{{"HTTP/1.0 200 OK\r\n\r\nroot"}});
  EXPECT_EQ(Run("http://h/x").resultText, "root");
  ASSERT_EQ(seam_.requests.size(), 4u);
  EXPECT_EQ(seam_.requests[1].substr(0, 30), "GET /y HTTP/1.0\r\nHost: other\r\n");
  EXPECT_EQ(seam_.requests[2].substr(0, 32), "GET /z/w HTTP/1.0\r\nHost: other\r\n");
  EXPECT_EQ(seam_.requests[3].substr(0, 29), "GET / HTTP/1.0\r\nHost: other\r\n");
}

TEST_F(WorkerScriptedTest, LocationInTheBodyIsNotARedirection) {
  seam_.connections.push_back(ScriptedConnection{
      {"HTTP/1.1 302 Found\r\nContent-Length: 30\r\n\r\nLocation: /elsewhere\r\n"}});
  seam_.connections.push_back(ScriptedConnection{{"HTTP/1.0 200 OK\r\n\r\nroot"}});
  Run("http://h/x");
  ASSERT_EQ(seam_.requests.size(), 2u);
  EXPECT_EQ(seam_.requests[1].substr(0, 16), "GET / HTTP/1.0\r\n");
}

}  // namespace
}  // namespace orvane
