#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <memory>
#include <random>
#include <thread>

#include "server_rules.h"
#include "startup/feed_hex_text.h"
#include "startup/feed_rules.h"
#include "tool_runner.h"

extern char** environ;

namespace orvane::tools_test {
namespace {

using namespace std::chrono_literals;
using server::RequestCheckValueFor;

constexpr int32_t kKey = 37;

// Runs of these tests in other build folders use the same addresses: each
// run takes this lock before its first server and keeps it to its end.
void WaitForTheAddresses() {
  static const bool taken = [] {
    const int fd = open("/tmp/orvane-update-server-tests.lock", O_CREAT | O_RDWR | O_CLOEXEC, 0666);
    return fd >= 0 && ::flock(fd, LOCK_EX) == 0;
  }();
  (void)taken;
}

// The update server as a child process; ready once it has printed one
// "ready" line per address. It also stops when this process ends, as its
// standard input then closes.
class ServerProcess {
 public:
  // Starts the server; retries while something else holds one of the
  // addresses (exit code 3), for up to 90 seconds.
  void Start(const std::vector<std::string>& args, size_t addresses) {
    WaitForTheAddresses();
    const auto deadline = std::chrono::steady_clock::now() + 90s;
    while (!TryStart(args, addresses)) {
      ASSERT_EQ(exitCode_, 3) << "the server failed: " << output_;
      ASSERT_LT(std::chrono::steady_clock::now(), deadline) << "addresses stay taken";
      std::this_thread::sleep_for(200ms);
    }
  }

  // Stops the server and returns everything it printed.
  std::string Stop() {
    if (in_ >= 0) close(in_);
    in_ = -1;
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      ReadUntil([] { return false; });
      int status = 0;
      waitpid(pid_, &status, 0);
      exitCode_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
      pid_ = -1;
    }
    if (out_ >= 0) close(out_);
    out_ = -1;
    return output_;
  }

  ~ServerProcess() { Stop(); }
  int exitCode() const { return exitCode_; }

 private:
  bool TryStart(const std::vector<std::string>& args, size_t addresses) {
    output_.clear();
    // Close-on-exec pipes: only the server holds the ends it was given.
    int fds[2];
    int input[2];
    if (pipe2(fds, O_CLOEXEC) != 0) return false;
    if (pipe2(input, O_CLOEXEC) != 0) {
      close(fds[0]);
      close(fds[1]);
      return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, input[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDERR_FILENO);
    std::vector<std::string> all{ORVANE_UPDATE_SERVER, "--stop-on-stdin-eof"};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);
    const int spawned = posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    close(input[0]);
    out_ = fds[0];
    in_ = input[1];
    if (spawned != 0) {
      pid_ = -1;
      return false;
    }
    const bool ready = ReadUntil([&] {
      size_t lines = 0;
      for (size_t at = 0; (at = output_.find("ready ", at)) != std::string::npos; ++at) ++lines;
      return lines >= addresses;
    });
    if (ready) return true;
    Stop();
    return false;
  }

  // Reads the server's output until `done` holds or the output ends.
  template <class Done>
  bool ReadUntil(Done done) {
    char buffer[4096];
    while (!done()) {
      pollfd p{out_, POLLIN, 0};
      if (poll(&p, 1, 20000) <= 0) return false;
      const ssize_t n = read(out_, buffer, sizeof buffer);
      if (n <= 0) return false;
      output_.append(buffer, static_cast<size_t>(n));
    }
    return true;
  }

  pid_t pid_ = -1;
  int in_ = -1;
  int out_ = -1;
  int exitCode_ = -1;
  std::string output_;
};

struct HttpAnswer {
  int status = 0;
  std::string headers;
  std::string body;
};

HttpAnswer Curl(const std::string& url, std::vector<std::string> extra = {}) {
  ScratchFolder scratch;
  std::vector<std::string> args{
      "-s", "-o",           scratch.File("body"), "-D", scratch.File("head"),
      "-w", "%{http_code}", "--max-time",         "20"};
  args.insert(args.end(), extra.begin(), extra.end());
  args.push_back(url);
  const ToolRun run = RunTool("curl", args);
  return {std::atoi(run.out.c_str()), scratch.Read("head"), scratch.Read("body")};
}

std::string RandomBytes(size_t size, unsigned seed) {
  std::mt19937 random(seed);
  std::string bytes(size, '\0');
  for (char& c : bytes) c = static_cast<char>(random());
  return bytes;
}

std::string FeedDocument(const std::string& text) {
  return "$Orvane$" + ScrambleHexText(text, "3C9A").text + "$Orvane$\r\n";
}

std::string PortAddress(const std::string& host, const std::string& nameInUrl,
                        const std::string& nameBytes, int r, int32_t key) {
  return "http://" + host + "/port.php?c=do&a=" + nameInUrl +
         "&b=" + std::to_string(RequestCheckValueFor(nameBytes, r, key));
}

class UpdateServerTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    site_ = std::make_unique<ScratchFolder>();
    site_->Write("main/cu.txt", FeedDocument("2024-05-01|123|Tool_2.0"));
    site_->Write("main/dowfile/game.rar", RandomBytes(5000, 1));
    site_->Write("main/dowfile/pipei/tool.jpg", RandomBytes(1500, 2));
    site_->Write(reinterpret_cast<const char*>(u8"main/dowfile/测试.rar"), RandomBytes(2000, 3));
    site_->Write("web/cu.txt", FeedDocument("2024-06-01|123|Tool_3.0"));
    server_ = std::make_unique<ServerProcess>();
    server_->Start(
        {"--site", site_->File("main"), "--listen", "127.0.2.1", "--listen", "127.0.2.2",
         "--listen", "127.0.2.3=" + site_->File("web"), "--check-key", std::to_string(kKey)},
        3);
  }
  static void TearDownTestSuite() {
    server_.reset();
    site_.reset();
  }
  static std::unique_ptr<ScratchFolder> site_;
  static std::unique_ptr<ServerProcess> server_;
};
std::unique_ptr<ScratchFolder> UpdateServerTest::site_;
std::unique_ptr<ServerProcess> UpdateServerTest::server_;

TEST_F(UpdateServerTest, ServesTheFeedOnEachHost) {
  const auto first = Curl("http://127.0.2.1/cu.txt");
  EXPECT_EQ(first.status, 200);
  EXPECT_EQ(first.body, site_->Read("main/cu.txt"));
  EXPECT_EQ(EvaluateFeed(123, "2.0", first.body).outcome, FeedOutcome::Current);
  // The web-site host has its own folder here.
  const auto web = Curl("http://127.0.2.3/cu.txt");
  EXPECT_EQ(EvaluateFeed(123, "2.0", web.body).outcome, FeedOutcome::NewerListed);
}

TEST_F(UpdateServerTest, ClientWithoutHostHeaderIsServed) {
  const auto answer = Curl("http://127.0.2.2/cu.txt", {"-0", "-H", "Host:"});
  EXPECT_EQ(answer.status, 200);
  EXPECT_EQ(answer.body, site_->Read("main/cu.txt"));
}

TEST_F(UpdateServerTest, AcceptedCheckValueGivesTheFile) {
  for (int r : {1, 450, 900}) {
    const auto answer = Curl(PortAddress("127.0.2.1", "Game.7z", "Game.7z", r, kKey));
    EXPECT_EQ(answer.status, 200) << r;
    EXPECT_EQ(answer.body, site_->Read("main/dowfile/game.rar")) << r;
  }
  const auto tool = Curl(PortAddress("127.0.2.1", "Tool.EXE", "Tool.EXE", 77, kKey));
  EXPECT_EQ(tool.body, site_->Read("main/dowfile/pipei/tool.jpg"));
}

TEST_F(UpdateServerTest, RefusedCheckValueIsTooShortToPassForAFile) {
  const auto wrongKey = Curl(PortAddress("127.0.2.1", "Game.7z", "Game.7z", 5, kKey + 1));
  EXPECT_EQ(wrongKey.status, 403);
  EXPECT_LT(wrongKey.body.size(), 30u);
  const auto otherName = Curl(PortAddress("127.0.2.1", "Game.7z", "Other.7z", 5, kKey));
  EXPECT_EQ(otherName.status, 403);
  EXPECT_EQ(Curl("http://127.0.2.1/port.php?c=do&a=Game.7z&b=abc").status, 403);
  EXPECT_EQ(Curl("http://127.0.2.1/port.php?c=do&a=Game.7z").status, 403);
  EXPECT_EQ(Curl("http://127.0.2.1/port.php?c=get&a=Game.7z&b=1").status, 404);
}

TEST_F(UpdateServerTest, GbkNameFindsItsUtf8File) {
  // 测试.7z in GBK: B2 E2 CA D4.
  const std::string gbk = "\xB2\xE2\xCA\xD4.7z";
  const auto answer = Curl(PortAddress("127.0.2.1", "%B2%E2%CA%D4.7z", gbk, 3, kKey));
  EXPECT_EQ(answer.status, 200);
  EXPECT_EQ(answer.body, site_->Read(reinterpret_cast<const char*>(u8"main/dowfile/测试.rar")));
  EXPECT_EQ(Curl("http://127.0.2.2/dowfile/%B2%E2%CA%D4.rar").status, 200);
}

TEST_F(UpdateServerTest, PlainDownloadsLieBelowDowfile) {
  EXPECT_EQ(Curl("http://127.0.2.2/dowfile/game.rar").body, site_->Read("main/dowfile/game.rar"));
  EXPECT_EQ(Curl("http://127.0.2.2/dowfile/pipei/tool.jpg").body,
            site_->Read("main/dowfile/pipei/tool.jpg"));
  EXPECT_EQ(Curl("http://127.0.2.2/dowfile/missing.rar").status, 404);
  EXPECT_EQ(Curl("http://127.0.2.3/dowfile/game.rar").status, 404);  // not in its folder
}

TEST_F(UpdateServerTest, RangeRequestResumesWith206) {
  const std::string file = site_->Read("main/dowfile/game.rar");
  const auto rest = Curl("http://127.0.2.2/dowfile/game.rar", {"-H", "Range: bytes=1000-"});
  EXPECT_EQ(rest.status, 206);
  EXPECT_NE(rest.headers.find("Content-Range: bytes 1000-4999/5000"), std::string::npos)
      << rest.headers;
  EXPECT_EQ(rest.body, file.substr(1000));
  const auto middle =
      Curl(PortAddress("127.0.2.1", "Game.7z", "Game.7z", 9, kKey), {"-H", "Range: bytes=10-19"});
  EXPECT_EQ(middle.status, 206);
  EXPECT_EQ(middle.body, file.substr(10, 10));
  const auto suffix = Curl("http://127.0.2.2/dowfile/game.rar", {"-H", "Range: bytes=-7"});
  EXPECT_EQ(suffix.body, file.substr(4993));
}

TEST_F(UpdateServerTest, RangeBeyondTheEndIsUnsatisfiable) {
  const auto answer = Curl("http://127.0.2.2/dowfile/game.rar", {"-H", "Range: bytes=5000-"});
  EXPECT_EQ(answer.status, 416);
  EXPECT_NE(answer.headers.find("Content-Range: bytes */5000"), std::string::npos);
  EXPECT_TRUE(answer.body.empty());
}

TEST_F(UpdateServerTest, PathsCannotLeaveTheSiteFolder) {
  site_->Write("secret.txt", "secret");
  EXPECT_EQ(Curl("http://127.0.2.2/dowfile/../cu.txt", {"--path-as-is"}).status, 404);
  EXPECT_EQ(Curl("http://127.0.2.2/dowfile/..%2F..%2Fsecret.txt").status, 404);
  EXPECT_EQ(
      Curl(PortAddress("127.0.2.1", "..%2F..%2Fsecret.txt", "../../secret.txt", 4, kKey)).status,
      404);
}

TEST_F(UpdateServerTest, WebPageForAGame) {
  const auto page = Curl("http://127.0.2.3/web.php?c=pipei&amea=<b>.qgi");
  EXPECT_EQ(page.status, 200);
  EXPECT_NE(page.body.find("&lt;b&gt;.qgi"), std::string::npos) << page.body;
}

TEST_F(UpdateServerTest, LogsOneLinePerRequest) {
  Curl("http://127.0.2.1/cu.txt?log-probe");
  Curl("http://127.0.2.2/nothing-here");
  // The log is complete once the server has stopped.
  const std::string output = server_->Stop();
  EXPECT_EQ(server_->exitCode(), 0);
  EXPECT_NE(output.find(" 127.0.2.1 127.0.0.1 GET /cu.txt?log-probe 200 "), std::string::npos)
      << output;
  EXPECT_NE(output.find(" 127.0.2.2 127.0.0.1 GET /nothing-here 404"), std::string::npos);
  EXPECT_NE(output.find("GET /dowfile/game.rar 206 "), std::string::npos);
  server_->Start(
      {"--site", site_->File("main"), "--listen", "127.0.2.1", "--listen", "127.0.2.2", "--listen",
       "127.0.2.3=" + site_->File("web"), "--check-key", std::to_string(kKey)},
      3);
}

TEST(UpdateServerIndirection, FirstHostNamesTheDownloadAddress) {
  ScratchFolder site;
  site.Write("dowfile/game.rar", RandomBytes(3000, 4));
  site.Write("server.conf", "port_answer = indirect\ncheck_key = 12\n");
  ServerProcess server;
  server.Start(
      {"--site", site.path().string(), "--listen", "127.0.2.4", "--log", site.File("requests.log")},
      1);
  const auto page = Curl(PortAddress("127.0.2.4", "Game.7z", "Game.7z", 5, 12));
  EXPECT_EQ(page.status, 200);
  EXPECT_GE(page.body.size(), 30u);
  EXPECT_LT(page.body.size(), 1000u);
  const size_t at = page.body.find("URL=");
  ASSERT_NE(at, std::string::npos) << page.body;
  const std::string address = page.body.substr(at + 4, page.body.find('"', at) - at - 4);
  EXPECT_EQ(address, "http://127.0.2.4/dowfile/game.rar");
  EXPECT_EQ(Curl(address).body, site.Read("dowfile/game.rar"));
  server.Stop();
  const std::string log = site.Read("requests.log");
  EXPECT_NE(log.find("GET /port.php?c=do&a=Game.7z"), std::string::npos) << log;
  EXPECT_NE(log.find("GET /dowfile/game.rar 200"), std::string::npos) << log;
}

TEST(UpdateServerPacing, FileBodiesComeNoFasterThanThePace) {
  ScratchFolder site;
  site.Write("cu.txt", FeedDocument("2024-05-01|123|Tool_2.0"));
  site.Write("dowfile/game.rar", RandomBytes(12000, 5));
  ServerProcess server;
  server.Start({"--site", site.path().string(), "--listen", "127.0.2.4", "--check-key",
                std::to_string(kKey), "--pace-bytes-per-second", "20000"},
               1);
  // 12000 bytes at 20000 a second: the last piece is due after 0.5 s at the
  // earliest, whichever road the file takes.
  for (const std::string& url : {std::string("http://127.0.2.4/dowfile/game.rar"),
                                 PortAddress("127.0.2.4", "Game.7z", "Game.7z", 8, kKey)}) {
    const auto start = std::chrono::steady_clock::now();
    const auto answer = Curl(url);
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(answer.status, 200) << url;
    EXPECT_EQ(answer.body, site.Read("dowfile/game.rar")) << url;
    EXPECT_GE(took, 500ms) << url;
  }
  // A resumed download is paced from its own start, and complete.
  const auto rest = Curl("http://127.0.2.4/dowfile/game.rar", {"-H", "Range: bytes=10000-"});
  EXPECT_EQ(rest.status, 206);
  EXPECT_EQ(rest.body, site.Read("dowfile/game.rar").substr(10000));
}

TEST(UpdateServerStart, SecondServerOnATakenAddressFails) {
  ScratchFolder site;
  ServerProcess first;
  first.Start({"--site", site.path().string(), "--listen", "127.0.2.5"}, 1);
  const auto second =
      RunTool(ORVANE_UPDATE_SERVER, {"--site", site.path().string(), "--listen", "127.0.2.5"});
  EXPECT_EQ(second.exitCode, 3);
  EXPECT_NE(second.err.find("cannot listen on 127.0.2.5:80"), std::string::npos) << second.err;
}

TEST(UpdateServerStart, UsageMistakesAndHelp) {
  EXPECT_EQ(RunTool(ORVANE_UPDATE_SERVER, {"--help"}).exitCode, 0);
  EXPECT_EQ(RunTool(ORVANE_UPDATE_SERVER, {}).exitCode, 2);
  EXPECT_EQ(RunTool(ORVANE_UPDATE_SERVER, {"--site", "/tmp", "--port", "0"}).exitCode, 2);
  EXPECT_EQ(RunTool(ORVANE_UPDATE_SERVER, {"--site", "/tmp", "--port-answer", "x"}).exitCode, 2);
  for (const char* pace : {"0", "-5", "fast", "2000000000"}) {
    EXPECT_EQ(
        RunTool(ORVANE_UPDATE_SERVER, {"--site", "/tmp", "--pace-bytes-per-second", pace}).exitCode,
        2)
        << pace;
  }
  EXPECT_EQ(RunTool(ORVANE_UPDATE_SERVER, {"--site", "/nonexistent/site"}).exitCode, 1);
}

}  // namespace
}  // namespace orvane::tools_test
