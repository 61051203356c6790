#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/socket.h>
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

// The two ways to serve a site, which must give the wizard the same
// answers: the update server alone, and nginx in front of it.
struct Embedded {
  static constexpr const char* kName = "Embedded";
  static std::vector<std::string> Command() { return {ORVANE_UPDATE_SERVER}; }
};
struct BehindNginx {
  static constexpr const char* kName = "Nginx";
  static std::vector<std::string> Command() {
    return {ORVANE_STUDIO_SITE, "--update-server", ORVANE_UPDATE_SERVER};
  }
};
using ServerKinds = ::testing::Types<Embedded, BehindNginx>;
struct KindNames {
  template <class Kind>
  static std::string GetName(int) {
    return Kind::kName;
  }
};

// The site's server as a child process; ready once it has printed one
// "ready" line per address. It also stops when this process ends, as its
// standard input then closes.
class ServerProcess {
 public:
  explicit ServerProcess(std::vector<std::string> command = Embedded::Command())
      : command_(std::move(command)) {}

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
    std::vector<std::string> all = command_;
    all.push_back("--stop-on-stdin-eof");
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

  std::vector<std::string> command_;
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

// A bare connection, for what curl does not do: half requests and
// downloads that are not taken.
class RawClient {
 public:
  explicit RawClient(const std::string& address, int receiveBuffer = 0)
      : fd_(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
    if (receiveBuffer > 0) {
      setsockopt(fd_, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
    }
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(80);
    inet_pton(AF_INET, address.c_str(), &to.sin_addr);
    connected_ = connect(fd_, reinterpret_cast<sockaddr*>(&to), sizeof to) == 0;
  }
  ~RawClient() { close(fd_); }
  RawClient(const RawClient&) = delete;
  RawClient& operator=(const RawClient&) = delete;

  bool connected() const { return connected_; }
  bool Send(const std::string& bytes) {
    return send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL) ==
           static_cast<ssize_t>(bytes.size());
  }
  // Reads what comes until the server ends the connection (true) or
  // `deadline` passes (false).
  bool EndedBy(std::chrono::steady_clock::time_point deadline) {
    char buffer[65536];
    for (;;) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
          deadline - std::chrono::steady_clock::now());
      pollfd p{fd_, POLLIN, 0};
      if (left.count() <= 0 || poll(&p, 1, static_cast<int>(left.count())) <= 0) return false;
      const ssize_t n = recv(fd_, buffer, sizeof buffer, 0);
      if (n <= 0) return true;
      received_ += static_cast<size_t>(n);
      if (start_.size() < 64) start_.append(buffer, std::min<size_t>(n, 64 - start_.size()));
    }
  }
  size_t received() const { return received_; }
  const std::string& start() const { return start_; }  // the first bytes

 private:
  int fd_;
  bool connected_ = false;
  size_t received_ = 0;
  std::string start_;
};

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

template <class Kind>
class UpdateServerTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    site_ = std::make_unique<ScratchFolder>();
    site_->Write("main/cu.txt", FeedDocument("2024-05-01|123|Tool_2.0"));
    site_->Write("main/dowfile/game.rar", RandomBytes(5000, 1));
    site_->Write("main/dowfile/pipei/tool.jpg", RandomBytes(1500, 2));
    site_->Write(reinterpret_cast<const char*>(u8"main/dowfile/测试.rar"), RandomBytes(2000, 3));
    site_->Write("web/cu.txt", FeedDocument("2024-06-01|123|Tool_3.0"));
    server_ = std::make_unique<ServerProcess>(Kind::Command());
    server_->Start(Arguments(), 3);
  }
  static void TearDownTestSuite() {
    server_.reset();
    site_.reset();
  }
  static std::vector<std::string> Arguments() {
    return {"--site",      site_->File("main"), "--listen", "127.0.2.1",
            "--listen",    "127.0.2.2",         "--listen", "127.0.2.3=" + site_->File("web"),
            "--check-key", std::to_string(kKey)};
  }
  static const ScratchFolder& Site() { return *site_; }
  static ServerProcess& Server() { return *server_; }

  static std::unique_ptr<ScratchFolder> site_;
  static std::unique_ptr<ServerProcess> server_;
};
template <class Kind>
std::unique_ptr<ScratchFolder> UpdateServerTest<Kind>::site_;
template <class Kind>
std::unique_ptr<ServerProcess> UpdateServerTest<Kind>::server_;
TYPED_TEST_SUITE(UpdateServerTest, ServerKinds, KindNames);

TYPED_TEST(UpdateServerTest, ServesTheFeedOnEachHost) {
  const auto first = Curl("http://127.0.2.1/cu.txt");
  EXPECT_EQ(first.status, 200);
  EXPECT_EQ(first.body, this->Site().Read("main/cu.txt"));
  EXPECT_EQ(EvaluateFeed(123, "2.0", first.body).outcome, FeedOutcome::Current);
  // The web-site host has its own folder here.
  const auto web = Curl("http://127.0.2.3/cu.txt");
  EXPECT_EQ(EvaluateFeed(123, "2.0", web.body).outcome, FeedOutcome::NewerListed);
}

TYPED_TEST(UpdateServerTest, ClientWithoutHostHeaderIsServed) {
  const auto answer = Curl("http://127.0.2.2/cu.txt", {"-0", "-H", "Host:"});
  EXPECT_EQ(answer.status, 200);
  EXPECT_EQ(answer.body, this->Site().Read("main/cu.txt"));
}

TYPED_TEST(UpdateServerTest, AcceptedCheckValueGivesTheFile) {
  for (int r : {1, 450, 900}) {
    const auto answer = Curl(PortAddress("127.0.2.1", "Game.7z", "Game.7z", r, kKey));
    EXPECT_EQ(answer.status, 200) << r;
    EXPECT_EQ(answer.body, this->Site().Read("main/dowfile/game.rar")) << r;
  }
  const auto tool = Curl(PortAddress("127.0.2.1", "Tool.EXE", "Tool.EXE", 77, kKey));
  EXPECT_EQ(tool.body, this->Site().Read("main/dowfile/pipei/tool.jpg"));
}

TYPED_TEST(UpdateServerTest, RefusedCheckValueIsTooShortToPassForAFile) {
  const auto wrongKey = Curl(PortAddress("127.0.2.1", "Game.7z", "Game.7z", 5, kKey + 1));
  EXPECT_EQ(wrongKey.status, 403);
  EXPECT_LT(wrongKey.body.size(), 30u);
  const auto otherName = Curl(PortAddress("127.0.2.1", "Game.7z", "Other.7z", 5, kKey));
  EXPECT_EQ(otherName.status, 403);
  EXPECT_EQ(Curl("http://127.0.2.1/port.php?c=do&a=Game.7z&b=abc").status, 403);
  EXPECT_EQ(Curl("http://127.0.2.1/port.php?c=do&a=Game.7z").status, 403);
  EXPECT_EQ(Curl("http://127.0.2.1/port.php?c=get&a=Game.7z&b=1").status, 404);
}

TYPED_TEST(UpdateServerTest, GbkNameFindsItsUtf8File) {
  // 测试.7z in GBK: B2 E2 CA D4.
  const std::string gbk = "\xB2\xE2\xCA\xD4.7z";
  const auto answer = Curl(PortAddress("127.0.2.1", "%B2%E2%CA%D4.7z", gbk, 3, kKey));
  EXPECT_EQ(answer.status, 200);
  EXPECT_EQ(answer.body,
            this->Site().Read(reinterpret_cast<const char*>(u8"main/dowfile/测试.rar")));
  EXPECT_EQ(Curl("http://127.0.2.2/dowfile/%B2%E2%CA%D4.rar").status, 200);
}

TYPED_TEST(UpdateServerTest, PlainDownloadsLieBelowDowfile) {
  EXPECT_EQ(Curl("http://127.0.2.2/dowfile/game.rar").body,
            this->Site().Read("main/dowfile/game.rar"));
  EXPECT_EQ(Curl("http://127.0.2.2/dowfile/pipei/tool.jpg").body,
            this->Site().Read("main/dowfile/pipei/tool.jpg"));
  EXPECT_EQ(Curl("http://127.0.2.2/dowfile/missing.rar").status, 404);
  EXPECT_EQ(Curl("http://127.0.2.3/dowfile/game.rar").status, 404);  // not in its folder
}

TYPED_TEST(UpdateServerTest, RangeRequestResumesWith206) {
  const std::string file = this->Site().Read("main/dowfile/game.rar");
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

TYPED_TEST(UpdateServerTest, RangeBeyondTheEndIsUnsatisfiable) {
  const auto answer = Curl("http://127.0.2.2/dowfile/game.rar", {"-H", "Range: bytes=5000-"});
  EXPECT_EQ(answer.status, 416);
  EXPECT_NE(answer.headers.find("Content-Range: bytes */5000"), std::string::npos);
  // No byte of the file.
  EXPECT_EQ(answer.body.find(this->Site().Read("main/dowfile/game.rar").substr(0, 16)),
            std::string::npos);
}

TYPED_TEST(UpdateServerTest, PathsCannotLeaveTheSiteFolder) {
  this->Site().Write("secret.txt", "secret");
  EXPECT_EQ(Curl("http://127.0.2.2/dowfile/../cu.txt", {"--path-as-is"}).status, 404);
  EXPECT_EQ(Curl("http://127.0.2.2/dowfile/..%2F..%2Fsecret.txt").status, 404);
  EXPECT_EQ(Curl("http://127.0.2.2/dowfile/%2e%2e/%2e%2e/secret.txt", {"--path-as-is"}).status,
            404);
  EXPECT_EQ(
      Curl(PortAddress("127.0.2.1", "..%2F..%2Fsecret.txt", "../../secret.txt", 4, kKey)).status,
      404);
  // Nor reach the web server's internal road to the files.
  EXPECT_EQ(Curl("http://127.0.2.2/orvane-site/cu.txt").status, 404);
}

TYPED_TEST(UpdateServerTest, OverlongRequestLineIsRefused) {
  const auto answer = Curl("http://127.0.2.1/cu.txt?" + std::string(20000, 'a'));
  EXPECT_EQ(answer.status, 414);
  EXPECT_EQ(answer.body.find("$Orvane$"), std::string::npos);
}

TYPED_TEST(UpdateServerTest, WebPageForAGame) {
  const auto page = Curl("http://127.0.2.3/web.php?c=pipei&amea=<b>.qgi");
  EXPECT_EQ(page.status, 200);
  EXPECT_NE(page.body.find("&lt;b&gt;.qgi"), std::string::npos) << page.body;
}

TYPED_TEST(UpdateServerTest, LogsOneLinePerRequest) {
  Curl("http://127.0.2.1/cu.txt?log-probe");
  Curl("http://127.0.2.2/nothing-here");
  // The log is complete once the server has stopped.
  const std::string output = this->Server().Stop();
  EXPECT_EQ(this->Server().exitCode(), 0);
  EXPECT_NE(output.find(" 127.0.2.1 127.0.0.1 GET /cu.txt?log-probe 200 "), std::string::npos)
      << output;
  EXPECT_NE(output.find(" 127.0.2.2 127.0.0.1 GET /nothing-here 404"), std::string::npos);
  EXPECT_NE(output.find("GET /dowfile/game.rar 206 "), std::string::npos);
  this->Server().Start(this->Arguments(), 3);
}

// Tests that start a server of their own.
template <class Kind>
class OneSiteTest : public ::testing::Test {};
TYPED_TEST_SUITE(OneSiteTest, ServerKinds, KindNames);

TYPED_TEST(OneSiteTest, FirstHostNamesTheDownloadAddress) {
  ScratchFolder site;
  site.Write("dowfile/game.rar", RandomBytes(3000, 4));
  site.Write("server.conf", "port_answer = indirect\ncheck_key = 12\n");
  ServerProcess server(TypeParam::Command());
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

TYPED_TEST(OneSiteTest, FileBodiesComeNoFasterThanThePace) {
  ScratchFolder site;
  site.Write("cu.txt", FeedDocument("2024-05-01|123|Tool_2.0"));
  site.Write("dowfile/game.rar", RandomBytes(25000, 5));
  ServerProcess server(TypeParam::Command());
  server.Start({"--site", site.path().string(), "--listen", "127.0.2.4", "--check-key",
                std::to_string(kKey), "--pace-bytes-per-second", "10000"},
               1);
  // 25000 bytes at 10000 a second: over a second even where the first
  // second's worth goes at once, whichever road the file takes.
  for (const std::string& url : {std::string("http://127.0.2.4/dowfile/game.rar"),
                                 PortAddress("127.0.2.4", "Game.7z", "Game.7z", 8, kKey)}) {
    const auto start = std::chrono::steady_clock::now();
    const auto answer = Curl(url);
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(answer.status, 200) << url;
    EXPECT_EQ(answer.body, site.Read("dowfile/game.rar")) << url;
    EXPECT_GE(took, 1s) << url;
  }
  // A resumed download is paced from its own start, and complete.
  const auto rest = Curl("http://127.0.2.4/dowfile/game.rar", {"-H", "Range: bytes=20000-"});
  EXPECT_EQ(rest.status, 206);
  EXPECT_EQ(rest.body, site.Read("dowfile/game.rar").substr(20000));
}

TYPED_TEST(OneSiteTest, HalfRequestsDoNotKeepOthersFromTheFeed) {
  ScratchFolder site;
  site.Write("cu.txt", FeedDocument("2024-05-01|123|Tool_2.0"));
  ServerProcess server(TypeParam::Command());
  server.Start({"--site", site.path().string(), "--listen", "127.0.2.4", "--request-timeout", "2"},
               1);
  // More of them than the update server has workers.
  std::vector<std::unique_ptr<RawClient>> idle;
  for (int i = 0; i < 120; ++i) {
    idle.push_back(std::make_unique<RawClient>("127.0.2.4"));
    ASSERT_TRUE(idle.back()->connected());
    idle.back()->Send("GET /cu.txt HTTP/1.0\r\nHost: 127.0.2.4\r\n");
  }
  const auto start = std::chrono::steady_clock::now();
  const auto feed = Curl("http://127.0.2.4/cu.txt");
  EXPECT_EQ(feed.status, 200);
  EXPECT_EQ(feed.body, site.Read("cu.txt"));
  EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
  // Nor are they held for ever.
  size_t ended = 0;
  for (auto& client : idle) ended += client->EndedBy(start + 5s);
  EXPECT_EQ(ended, idle.size());
}

TYPED_TEST(OneSiteTest, ATricklingRequestIsCutOff) {
  ScratchFolder site;
  site.Write("cu.txt", FeedDocument("2024-05-01|123|Tool_2.0"));
  ServerProcess server(TypeParam::Command());
  server.Start({"--site", site.path().string(), "--listen", "127.0.2.4", "--request-timeout", "2"},
               1);
  RawClient slow("127.0.2.4");
  const auto start = std::chrono::steady_clock::now();
  bool ended = false;
  // A byte every quarter second: each comes long before a wait would end.
  for (const char c : "GET /cu.txt HTTP/1.0\r\nX-Padding: " + std::string(200, 'a')) {
    slow.Send(std::string(1, c));
    if ((ended = slow.EndedBy(std::chrono::steady_clock::now() + 250ms))) break;
  }
  EXPECT_TRUE(ended);
  EXPECT_LT(std::chrono::steady_clock::now() - start, 4s);
}

TYPED_TEST(OneSiteTest, AWholeRequestIsServedHoweverLongItWaitedForAWorker) {
  ScratchFolder site;
  site.Write("cu.txt", FeedDocument("2024-05-01|123|Tool_2.0"));
  site.Write("dowfile/big.rar", RandomBytes(200000, 11));
  ServerProcess server(TypeParam::Command());
  server.Start({"--site", site.path().string(), "--listen", "127.0.2.4", "--request-timeout", "2",
                "--pace-bytes-per-second", "1000"},
               1);
  // Long downloads hold every worker the update server has.
  auto downloads = std::make_unique<std::vector<std::unique_ptr<RawClient>>>();
  for (int i = 0; i < 60; ++i) {
    downloads->push_back(std::make_unique<RawClient>("127.0.2.4", 4096));
    downloads->back()->Send("GET /dowfile/big.rar HTTP/1.0\r\nHost: 127.0.2.4\r\n\r\n");
  }
  std::this_thread::sleep_for(500ms);
  RawClient feed("127.0.2.4");
  ASSERT_TRUE(feed.Send("GET /cu.txt HTTP/1.0\r\nHost: 127.0.2.4\r\n\r\n"));
  // Longer than the request timeout; then the downloads go away.
  std::this_thread::sleep_for(3s);
  downloads.reset();
  EXPECT_TRUE(feed.EndedBy(std::chrono::steady_clock::now() + 5s));
  EXPECT_TRUE(feed.start().starts_with("HTTP/1.1 200")) << feed.start();
}

TYPED_TEST(OneSiteTest, ADownloadNotTakenIsGivenUpAndAStopEndsTheOthers) {
  ScratchFolder site;
  const size_t size = 16 << 20;
  site.Write("dowfile/big.rar", RandomBytes(size, 6));
  ServerProcess server(TypeParam::Command());
  server.Start({"--site", site.path().string(), "--listen", "127.0.2.4", "--send-timeout", "1"}, 1);
  const std::string request = "GET /dowfile/big.rar HTTP/1.0\r\nHost: 127.0.2.4\r\n\r\n";
  RawClient stalled("127.0.2.4", 4096);
  ASSERT_TRUE(stalled.Send(request));
  std::this_thread::sleep_for(3s);
  EXPECT_TRUE(stalled.EndedBy(std::chrono::steady_clock::now() + 5s));
  EXPECT_LT(stalled.received(), size);
  // A download under way when the server is told to stop.
  RawClient pending("127.0.2.4", 4096);
  ASSERT_TRUE(pending.Send(request));
  std::this_thread::sleep_for(300ms);
  const auto start = std::chrono::steady_clock::now();
  server.Stop();
  EXPECT_EQ(server.exitCode(), 0);
  EXPECT_LT(std::chrono::steady_clock::now() - start, 3s);
}

TYPED_TEST(OneSiteTest, SecondServerOnATakenAddressFails) {
  ScratchFolder site;
  ServerProcess first(TypeParam::Command());
  first.Start({"--site", site.path().string(), "--listen", "127.0.2.5"}, 1);
  // Neither kind of server starts on it.
  for (auto command : {Embedded::Command(), BehindNginx::Command()}) {
    command.insert(command.end(), {"--site", site.path().string(), "--listen", "127.0.2.5"});
    const auto second = RunTool(command.front(), {command.begin() + 1, command.end()});
    EXPECT_EQ(second.exitCode, 3) << command.front();
    EXPECT_NE(second.err.find("cannot listen on 127.0.2.5:80"), std::string::npos) << second.err;
  }
}

TYPED_TEST(OneSiteTest, UsageMistakesAndHelp) {
  const auto run = [](std::vector<std::string> args) {
    auto command = TypeParam::Command();
    args.insert(args.begin(), command.begin() + 1, command.end());
    return RunTool(command.front(), args).exitCode;
  };
  EXPECT_EQ(run({"--help"}), 0);
  EXPECT_EQ(run({}), 2);
  EXPECT_EQ(run({"--site", "/tmp", "--port-answer", "x", "--listen", "127.0.2.5"}), 2);
  for (const char* pace : {"0", "-5", "fast", "2000000000"}) {
    EXPECT_EQ(run({"--site", "/tmp", "--pace-bytes-per-second", pace}), 2) << pace;
  }
  EXPECT_EQ(run({"--site", "/tmp", "--request-timeout", "0"}), 2);
  EXPECT_EQ(run({"--site", "/nonexistent/site"}), 1);
}

TEST(UpdateServerStart, PortIsANumber) {
  EXPECT_EQ(RunTool(ORVANE_UPDATE_SERVER, {"--site", "/tmp", "--port", "0"}).exitCode, 2);
}

// Behind nginx the update server only decides: a file is named in a
// header for nginx to send, never sent itself.
TEST(UpdateServerDecisions, FilesAreNamedForTheWebServerInFront) {
  ScratchFolder site;
  site.Write("cu.txt", FeedDocument("2024-05-01|123|Tool_2.0"));
  site.Write("dowfile/game.rar", RandomBytes(3000, 7));
  site.Write("dowfile/pipei/tool.jpg", RandomBytes(3000, 8));
  site.Write(reinterpret_cast<const char*>(u8"dowfile/测试.rar"), RandomBytes(3000, 9));
  const std::string socketPath = site.File("decide.sock");
  ServerProcess server;
  server.Start({"--site", site.path().string(), "--accel-redirect", "--listen",
                "unix:" + socketPath, "--check-key", std::to_string(kKey)},
               1);
  const auto ask = [&](const std::string& target, std::vector<std::string> extra = {}) {
    extra.insert(extra.end(), {"--unix-socket", socketPath});
    return Curl("http://site" + target, extra);
  };
  const auto named = [](const HttpAnswer& answer) {
    const size_t at = answer.headers.find("X-Accel-Redirect: ");
    if (at == std::string::npos) return std::string("(none)");
    return answer.headers.substr(at + 18, answer.headers.find('\r', at) - at - 18);
  };
  const std::string port = PortAddress("site", "Game.7z", "Game.7z", 3, kKey).substr(11);
  const auto game = ask(port);
  EXPECT_EQ(game.status, 200);
  EXPECT_EQ(named(game), "/orvane-site/dowfile/game.rar");
  EXPECT_TRUE(game.body.empty());
  EXPECT_EQ(named(ask(PortAddress("site", "Tool.EXE", "Tool.EXE", 4, kKey).substr(11))),
            "/orvane-site/dowfile/pipei/tool.jpg");
  EXPECT_EQ(named(ask("/dowfile/%B2%E2%CA%D4.rar")), "/orvane-site/dowfile/%E6%B5%8B%E8%AF%95.rar");
  EXPECT_EQ(named(ask("/cu.txt")), "/orvane-site/cu.txt");
  // Refusals name nothing.
  const auto refused = ask(PortAddress("site", "Game.7z", "Game.7z", 3, kKey + 1).substr(11));
  EXPECT_EQ(refused.status, 403);
  EXPECT_EQ(named(refused), "(none)");
  const auto climbing = ask("/dowfile/..%2F..%2Fsecret.txt");
  EXPECT_EQ(climbing.status, 404);
  EXPECT_EQ(named(climbing), "(none)");
  // The socket is taken while the server runs, and removed when it stops.
  EXPECT_EQ(RunTool(ORVANE_UPDATE_SERVER,
                    {"--site", site.path().string(), "--listen", "unix:" + socketPath})
                .exitCode,
            3);
  server.Stop();
  EXPECT_FALSE(std::filesystem::exists(socketPath));
  // A file already there is never replaced.
  site.Write("decide.sock", "keep");
  EXPECT_EQ(RunTool(ORVANE_UPDATE_SERVER,
                    {"--site", site.path().string(), "--listen", "unix:" + socketPath})
                .exitCode,
            3);
  EXPECT_EQ(site.Read("decide.sock"), "keep");
}

TEST(UpdateServerDecisions, IndirectionNamesTheAddressTheWebServerWasAskedOn) {
  ScratchFolder site;
  site.Write("dowfile/game.rar", RandomBytes(3000, 10));
  const std::string socketPath = site.File("decide.sock");
  ServerProcess server;
  server.Start({"--site", site.path().string(), "--accel-redirect", "--port-answer", "indirect",
                "--listen", "unix:" + socketPath, "--check-key", std::to_string(kKey)},
               1);
  const auto page =
      Curl("http://site" + PortAddress("site", "Game.7z", "Game.7z", 6, kKey).substr(11),
           {"--unix-socket", socketPath, "-H", "X-Orvane-Local-Address: 10.1.2.3"});
  EXPECT_NE(page.body.find("URL=http://10.1.2.3/dowfile/game.rar\""), std::string::npos)
      << page.body;
}

}  // namespace
}  // namespace orvane::tools_test
