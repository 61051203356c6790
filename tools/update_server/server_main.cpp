// orvane-update-server: serves the studio's site folder to the wizard on
// the three host addresses (first update host, second update host, web
// site), one HTTP server each, and logs one line per request.
#include <httplib.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "base/text.h"
#include "bounded_server.h"
#include "build_constants.h"
#include "gbk_conversion.h"
#include "server_rules.h"
#include "tool_arguments.h"
#include "tool_files.h"

namespace {

namespace fs = std::filesystem;
using namespace orvane;
using namespace orvane::server;

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitCannotListen = 3;
constexpr int64_t kMaxPaceBytesPerSecond = 1000000000;
constexpr int64_t kMaxTimeoutSeconds = 3600;
constexpr std::string_view kUnixPrefix = "unix:";

constexpr const char* kUsage =
    R"(usage: orvane-update-server --site DIR [--listen ADDRESS[=DIR]]... [--port N]
                            [--check-key K] [--port-answer file|indirect]
                            [--indirect-host HOST] [--log FILE]
                            [--pace-bytes-per-second N] [--stop-on-stdin-eof]
                            [--request-timeout S] [--send-timeout S]
                            [--accel-redirect]

Serves the studio's site folder DIR to the install wizard:
  /cu.txt                         DIR/cu.txt, the update feed
  /port.php?c=do&a=NAME&b=CHECK   the file NAME after its check value: the
                                  file itself, or (--port-answer indirect) a
                                  short page naming its /dowfile/ address
  /dowfile/NAME, /dowfile/pipei/NAME   DIR/dowfile/..., the plain downloads
  /web.php?c=pipei&amea=NAME      DIR/web.html, or a short page
Range requests are answered with 206 Partial Content, so downloads resume.
The files are kept under the names the wizard asks for on its later
attempts: lower case, ".7z" as ".rar" in dowfile/, ".exe" and ".qgi" as
".jpg" in dowfile/pipei/. Names may be UTF-8; GBK names in requests are
converted.

  --listen ADDRESS[=DIR]  an address to serve, optionally with its own site
                          folder; repeat for each host (default: the three
                          hosts this build's wizard asks)
  --port N                the port (default 80; the wizard knows no other)
  --check-key K           the request check key built into the wizard
                          (default: check_key in DIR/server.conf, else this
                          build's key)
  --port-answer MODE      file or indirect (default: port_answer in
                          DIR/server.conf, else file)
  --indirect-host HOST    the host named in indirection pages (default: the
                          address the request came in on)
  --log FILE              append the request log to FILE (default: stdout)
  --pace-bytes-per-second N   send the feed and file bodies at about N
                          bytes a second, so that a download from loopback
                          can be watched (or a slow feed check be stopped)
  --stop-on-stdin-eof     stop when standard input ends, so a server that a
                          script or test started goes away with it
  --request-timeout S     a client must have sent its whole request S
                          seconds after it connected (default 10)
  --send-timeout S        an answer is given up when the client takes
                          nothing for S seconds (default 30)
  --accel-redirect        decide only, for a web server in front (see
                          scripts/studio-site.sh): a file is answered with
                          an empty body and the header
                          "X-Accel-Redirect: /orvane-site/PATH" (PATH below
                          DIR, percent-encoded), which the web server sends
                          itself; pacing is the web server's. Indirection
                          pages name the address in the request header
                          X-Orvane-Local-Address.

An ADDRESS "unix:PATH" listens on a new Unix socket PATH (for a web server
in front), which is removed again at the end.
Each connection carries one request. Every address has its own 48 workers;
a client that is slow to send its request, or stops taking the answer,
loses its connection after the timeouts above, so that it cannot hold a
worker for ever. On a busy day put nginx in front instead
(scripts/studio-site.sh): a worker stays busy for the whole download.

DIR/server.conf may hold "port_answer = ...", "check_key = ..." and
"indirect_host = ..." lines. The server prints "ready ADDRESS:PORT" for each
address once it listens, and stops on SIGINT or SIGTERM.
Exit codes: 0 stopped, 1 failed, 2 usage error, 3 an address cannot be bound.
)";

struct Listener {
  std::string address;
  fs::path site;
};

struct Options {
  fs::path site;
  std::vector<Listener> listeners;
  int port = 80;
  std::optional<int32_t> checkKey;
  std::optional<PortAnswer> portAnswer;
  std::optional<std::string> indirectHost;
  std::optional<std::string> logPath;
  bool stopOnStdinEof = false;
  bool accelRedirect = false;
  uint64_t paceBytesPerSecond = 0;  // 0: as fast as the connection goes
  ConnectionLimits limits;
};

// One line per request, whole lines even from several server threads.
class RequestLog {
 public:
  explicit RequestLog(std::ostream& out) : out_(out) {}
  void Write(const std::string& line) {
    std::lock_guard<std::mutex> lock(mutex_);
    out_ << line << '\n';
    out_.flush();
  }

 private:
  std::mutex mutex_;
  std::ostream& out_;
};

std::string Now() {
  const std::time_t t = std::time(nullptr);
  std::tm utc{};
  gmtime_r(&t, &utc);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
  return text;
}

std::string DefaultHost(const char* hostTemplate) {
  return ReplaceAll(hostTemplate, "\\\\\\", build::kDomainWord);
}

std::optional<int32_t> ParseKey(std::string_view text) {
  const auto v = ParseDecimal(text);
  if (!v || *v < INT32_MIN || *v > INT32_MAX) return std::nullopt;
  return static_cast<int32_t>(*v);
}

std::optional<Options> ParseOptions(const std::vector<std::string>& args, std::string& error) {
  Options o;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--stop-on-stdin-eof") {
      o.stopOnStdinEof = true;
      continue;
    }
    if (a == "--accel-redirect") {
      o.accelRedirect = true;
      continue;
    }
    if (i + 1 >= args.size()) {
      error = a == "--site" || a.starts_with("--") ? a + " needs a value" : "unknown argument " + a;
      return std::nullopt;
    }
    const std::string value = args[++i];
    if (a == "--site") {
      o.site = value;
    } else if (a == "--listen") {
      const size_t eq = value.find('=');
      o.listeners.push_back({value.substr(0, eq), eq == std::string::npos
                                                      ? fs::path()
                                                      : fs::path(value.substr(eq + 1))});
    } else if (a == "--port") {
      const auto p = ParseDecimal(value);
      if (!p || *p < 1 || *p > 65535) {
        error = "--port needs a number from 1 to 65535";
        return std::nullopt;
      }
      o.port = static_cast<int>(*p);
    } else if (a == "--check-key") {
      if (!(o.checkKey = ParseKey(value))) {
        error = "--check-key needs a whole number";
        return std::nullopt;
      }
    } else if (a == "--port-answer") {
      if (value != "file" && value != "indirect") {
        error = "--port-answer is file or indirect";
        return std::nullopt;
      }
      o.portAnswer = value == "file" ? PortAnswer::File : PortAnswer::Indirection;
    } else if (a == "--indirect-host") {
      o.indirectHost = value;
    } else if (a == "--pace-bytes-per-second") {
      const auto rate = ParseDecimal(value);
      if (!rate || *rate < 1 || *rate > kMaxPaceBytesPerSecond) {
        error = "--pace-bytes-per-second needs a number from 1 to " +
                std::to_string(kMaxPaceBytesPerSecond);
        return std::nullopt;
      }
      o.paceBytesPerSecond = static_cast<uint64_t>(*rate);
    } else if (a == "--request-timeout" || a == "--send-timeout") {
      const auto seconds = ParseDecimal(value);
      if (!seconds || *seconds < 1 || *seconds > kMaxTimeoutSeconds) {
        error = a + " needs a number of seconds from 1 to " + std::to_string(kMaxTimeoutSeconds);
        return std::nullopt;
      }
      (a == "--request-timeout" ? o.limits.requestTimeout : o.limits.sendTimeout) =
          std::chrono::seconds(*seconds);
    } else if (a == "--log") {
      o.logPath = value;
    } else {
      error = "unknown argument " + a;
      return std::nullopt;
    }
  }
  if (o.site.empty()) {
    error = "--site is required";
    return std::nullopt;
  }
  if (o.listeners.empty()) {
    for (const char* host : {build::kHostUpdate1, build::kHostUpdate2, build::kHostWeb}) {
      o.listeners.push_back({DefaultHost(host), {}});
    }
  }
  for (Listener& l : o.listeners) {
    if (l.site.empty()) l.site = o.site;
  }
  return o;
}

struct SiteFile {
  fs::path path;
  std::string relative;  // below the site folder, as found on disk
};

// The site file for a request path, trying the name as sent (GBK from the
// wizard) converted to UTF-8 first, then its bytes unchanged.
std::optional<SiteFile> FindSiteFile(const fs::path& site, std::string_view relative) {
  if (!IsSafeSitePath(relative)) return std::nullopt;
  std::vector<std::string> candidates;
  if (auto utf8 = tools::GbkToUtf8(relative)) candidates.push_back(*utf8);
  candidates.emplace_back(relative);
  for (const std::string& name : candidates) {
    std::error_code ec;
    const fs::path path = site / name;
    if (fs::is_regular_file(path, ec)) return SiteFile{path, name};
  }
  return std::nullopt;
}

std::string ContentTypeFor(const fs::path& path) {
  const std::string ext = ToLowerAscii(path.extension().string());
  if (ext == ".txt") return "text/plain";
  if (ext == ".html" || ext == ".htm") return "text/html";
  if (ext == ".jpg") return "image/jpeg";
  return "application/octet-stream";
}

// Each connection takes a descriptor: the usual soft limit of 1024 would
// turn clients away long before the workers are busy.
void RaiseDescriptorLimit() {
  rlimit limit{};
  if (getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
    limit.rlim_cur = limit.rlim_max;
    setrlimit(RLIMIT_NOFILE, &limit);
  }
}

// A Unix socket this server made, removed when it ends.
class UnixSocketFile {
 public:
  explicit UnixSocketFile(std::string path) : path_(std::move(path)) {}
  ~UnixSocketFile() {
    if (!path_.empty()) unlink(path_.c_str());
  }
  UnixSocketFile(UnixSocketFile&& other) noexcept : path_(std::exchange(other.path_, {})) {}
  UnixSocketFile(const UnixSocketFile&) = delete;
  UnixSocketFile& operator=(const UnixSocketFile&) = delete;
  UnixSocketFile& operator=(UnixSocketFile&&) = delete;

 private:
  std::string path_;
};

void NotFound(httplib::Response& res) {
  res.status = 404;
  res.set_content("not found\n", "text/plain");
}

// Streams a file; one byte range is answered with 206, a range that starts
// past the end with 416.
// With a pace, every piece waits until its time has come.
void ServeFile(const fs::path& path, const httplib::Request& req, httplib::Response& res,
               uint64_t paceBytesPerSecond = 0) {
  std::error_code ec;
  const uintmax_t size = fs::file_size(path, ec);
  auto stream = std::make_shared<std::ifstream>(path, std::ios::binary);
  if (ec || !*stream) return NotFound(res);
  if (req.ranges.size() == 1) {
    const auto [first, last] = req.ranges.front();
    const bool suffix = first < 0;
    const bool unsatisfiable =
        suffix ? (last <= 0 || size == 0)
               : (static_cast<uintmax_t>(first) >= size || (last >= 0 && last < first));
    if (unsatisfiable) {
      res.status = 416;
      res.set_header("Content-Range", "bytes */" + std::to_string(size));
      res.set_content("", "text/plain");
      return;
    }
  }
  res.set_header("Accept-Ranges", "bytes");
  const auto began = std::chrono::steady_clock::now();
  auto sent = std::make_shared<uint64_t>(0);
  res.set_content_provider(
      static_cast<size_t>(size), ContentTypeFor(path),
      [stream, sent, began, paceBytesPerSecond](size_t offset, size_t length,
                                                httplib::DataSink& sink) {
        char buffer[64 * 1024];
        const size_t piece =
            paceBytesPerSecond ? PacedChunkSize(paceBytesPerSecond, sizeof buffer) : sizeof buffer;
        stream->clear();
        stream->seekg(static_cast<std::streamoff>(offset));
        while (length > 0) {
          const size_t chunk = std::min(length, piece);
          if (!stream->read(buffer, static_cast<std::streamsize>(chunk))) return false;
          if (paceBytesPerSecond) {
            const auto elapsed = std::chrono::duration_cast<std::chrono::microseconds>(
                std::chrono::steady_clock::now() - began);
            std::this_thread::sleep_for(PaceDelay(*sent, paceBytesPerSecond, elapsed));
          }
          if (!sink.write(buffer, chunk)) return false;
          *sent += chunk;
          length -= chunk;
        }
        return true;
      });
}

struct SiteRules {
  int32_t checkKey = 0;
  PortAnswer portAnswer = PortAnswer::File;
  std::string indirectHost;
  int port = 80;
  uint64_t paceBytesPerSecond = 0;
  bool accelRedirect = false;
};

// A file as the answer: its bytes, or, with a web server in front, where
// that server finds it, so that no byte of it passes through here.
void AnswerWithFile(const SiteFile& file, const SiteRules& rules, const httplib::Request& req,
                    httplib::Response& res, bool paced = true) {
  if (rules.accelRedirect) {
    res.status = 200;
    res.set_header("X-Accel-Redirect", AccelRedirectTarget(file.relative));
    return;
  }
  ServeFile(file.path, req, res, paced ? rules.paceBytesPerSecond : 0);
}

void HandlePort(const Listener& l, const SiteRules& rules, const httplib::Request& req,
                httplib::Response& res) {
  const std::string name = req.get_param_value("a");
  const auto check = ParseDecimal(req.get_param_value("b"));
  if (req.get_param_value("c") != "do" || name.empty() || name.find('/') != std::string::npos) {
    return NotFound(res);
  }
  if (!check || !CheckValueMatches(name, *check, rules.checkKey)) {
    res.status = 403;
    res.set_content("check value refused\n", "text/plain");
    return;
  }
  const std::string location = DownloadLocation(MappedDownloadName(name));
  const auto file = FindSiteFile(l.site, location);
  if (!file) return NotFound(res);
  if (rules.portAnswer == PortAnswer::Indirection) {
    // Behind a web server the request arrived on that server's address.
    const std::string local =
        rules.accelRedirect ? req.get_header_value("X-Orvane-Local-Address") : req.local_addr;
    std::string host = rules.indirectHost.empty() ? local : rules.indirectHost;
    if (rules.indirectHost.empty() && rules.port != 80) host += ":" + std::to_string(rules.port);
    if (auto page = IndirectionPage("http://" + host + "/" + location)) {
      res.set_content(*page, "text/html");
      return;
    }
    // Too long a page would be taken for the file: send the file itself.
  }
  AnswerWithFile(*file, rules, req, res);
}

void HandleWebPage(const Listener& l, const SiteRules& rules, const httplib::Request& req,
                   httplib::Response& res) {
  if (const auto page = FindSiteFile(l.site, "web.html")) {
    return AnswerWithFile(*page, rules, req, res, false);
  }
  const std::string game = tools::GbkToUtf8(req.get_param_value("amea")).value_or("");
  std::string escaped;
  for (char c : game) {
    if (c == '<')
      escaped += "&lt;";
    else if (c == '>')
      escaped += "&gt;";
    else if (c == '&')
      escaped += "&amp;";
    else
      escaped += c;
  }
  res.set_content("<html><head><meta charset=\"utf-8\"></head><body><h1>Orvane</h1><p>" + escaped +
                      "</p></body></html>\n",
                  "text/html; charset=utf-8");
}

void Route(httplib::Server& http, const Listener& l, const SiteRules& rules) {
  http.Get("/cu.txt", [&l, &rules](const httplib::Request& req, httplib::Response& res) {
    if (const auto file = FindSiteFile(l.site, "cu.txt"))
      return AnswerWithFile(*file, rules, req, res);
    NotFound(res);
  });
  http.Get("/port.php", [&l, &rules](const httplib::Request& req, httplib::Response& res) {
    HandlePort(l, rules, req, res);
  });
  http.Get(R"(/dowfile/(.+))", [&l, &rules](const httplib::Request& req, httplib::Response& res) {
    const auto file = FindSiteFile(l.site, "dowfile/" + req.matches[1].str());
    if (!file) return NotFound(res);
    AnswerWithFile(*file, rules, req, res);
  });
  http.Get("/web.php", [&l, &rules](const httplib::Request& req, httplib::Response& res) {
    HandleWebPage(l, rules, req, res);
  });
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (tools::PrintedHelp(args, kUsage)) return kExitOk;
  std::string error;
  const auto options = ParseOptions(args, error);
  if (!options) return tools::UsageError("orvane-update-server", error, kUsage);
  std::error_code ec;
  if (!fs::is_directory(options->site, ec)) {
    std::cerr << "orvane-update-server: " << options->site << " is not a folder\n";
    return kExitFailed;
  }
  SiteConfig config;
  if (const auto text = tools::ReadWholeFile((options->site / "server.conf").string())) {
    if (!ParseSiteConfig(*text, config, error)) {
      std::cerr << "orvane-update-server: server.conf " << error << "\n";
      return kExitFailed;
    }
  }
  SiteRules rules;
  rules.port = options->port;
  rules.paceBytesPerSecond = options->paceBytesPerSecond;
  rules.checkKey =
      options->checkKey.value_or(config.checkKey.value_or(ParseKey(build::kCheckKey).value_or(0)));
  rules.portAnswer = options->portAnswer.value_or(config.portAnswer);
  rules.indirectHost = options->indirectHost.value_or(config.indirectHost);
  rules.accelRedirect = options->accelRedirect;
  RaiseDescriptorLimit();

  std::ofstream logFile;
  if (options->logPath) {
    logFile.open(*options->logPath, std::ios::app);
    if (!logFile) {
      std::cerr << "orvane-update-server: cannot open " << *options->logPath << "\n";
      return kExitFailed;
    }
  }
  RequestLog log(options->logPath ? static_cast<std::ostream&>(logFile) : std::cout);

  // Signals are taken by sigwait below, not by the server threads.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

  std::vector<std::unique_ptr<BoundedServer>> servers;
  std::vector<UnixSocketFile> socketFiles;
  for (const Listener& l : options->listeners) {
    auto http = std::make_unique<BoundedServer>(options->limits);
    // Without SO_REUSEPORT: a second server on the same address must fail
    // instead of sharing the requests.
    http->set_socket_options([](socket_t sock) {
      int yes = 1;
      setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    });
    Route(*http, l, rules);
    http->set_logger([&log, &l](const httplib::Request& req, const httplib::Response& res) {
      log.Write(Now() + " " + l.address + " " + req.remote_addr + " " + req.method + " " +
                req.target + " " + std::to_string(res.status) + " " +
                std::to_string(res.content_length_ ? res.content_length_ : res.body.size()) +
                (req.ranges.empty() ? "" : " range=" + req.get_header_value("Range")));
    });
    const bool unixSocket = l.address.starts_with(kUnixPrefix);
    const std::string where =
        unixSocket ? l.address : l.address + ":" + std::to_string(options->port);
    const std::string path = l.address.substr(kUnixPrefix.size());
    std::error_code ec;
    // An existing file there is never replaced.
    if (unixSocket && (path.empty() || fs::exists(fs::symlink_status(path, ec)))) {
      std::cerr << "orvane-update-server: cannot listen on " << where << " (the file exists)\n";
      return kExitCannotListen;
    }
    if (unixSocket) http->set_address_family(AF_UNIX);
    if (!http->bind_to_port(unixSocket ? path : l.address, options->port)) {
      std::cerr << "orvane-update-server: cannot listen on " << where << "\n";
      return kExitCannotListen;
    }
    if (unixSocket) {
      socketFiles.emplace_back(path);
      // The web server's workers may run as another user.
      using fs::perms;
      fs::permissions(path,
                      perms::owner_read | perms::owner_write | perms::group_read |
                          perms::group_write | perms::others_read | perms::others_write,
                      ec);
    }
    http->WidenBacklog();
    servers.push_back(std::move(http));
  }
  // Bound sockets already listen: connections wait until the threads accept.
  std::vector<std::thread> threads;
  for (auto& http : servers) threads.emplace_back([&http] { http->listen_after_bind(); });
  // stop() acts only on a server whose accept loop runs: wait for the loops,
  // so a stop that comes at once is not lost (the join below would hang).
  for (auto& http : servers) {
    for (int i = 0; i < 5000 && !http->is_running(); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  }
  for (const Listener& l : options->listeners) {
    std::cout << "ready " << l.address;
    if (!l.address.starts_with(kUnixPrefix)) std::cout << ":" << options->port;
    std::cout << std::endl;
  }

  if (options->stopOnStdinEof) {
    std::thread([] {
      char buffer[256];
      while (read(STDIN_FILENO, buffer, sizeof buffer) > 0) {
      }
      kill(getpid(), SIGTERM);
    }).detach();
  }
  int signal = 0;
  sigwait(&stopSignals, &signal);
  for (auto& http : servers) http->Shutdown();
  for (auto& t : threads) t.join();
  return kExitOk;
}
