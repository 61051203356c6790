#include "loopback_servers.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace orvane::testing {

namespace fs = std::filesystem;

TempFolder::TempFolder() {
  std::string pattern = (fs::temp_directory_path() / "orvane-net-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

TempFolder::~TempFolder() {
  std::error_code ignored;
  fs::remove_all(path_, ignored);
}

ChildProcess::ChildProcess(const std::vector<std::string>& argv) {
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  if (::posix_spawn(&pid_, args[0], nullptr, nullptr, args.data(), environ) != 0) {
    pid_ = -1;
    throw std::runtime_error("cannot start " + argv[0]);
  }
}

ChildProcess::~ChildProcess() {
  if (pid_ <= 0) return;
  ::kill(pid_, SIGTERM);
  int status = 0;
  ::waitpid(pid_, &status, 0);
}

bool ChildProcess::Running() {
  int status = 0;
  return pid_ > 0 && ::waitpid(pid_, &status, WNOHANG) == 0;
}

bool WaitForListener(const std::string& address, int port, int timeoutMs) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  sockaddr_in target{};
  target.sin_family = AF_INET;
  target.sin_port = htons(static_cast<uint16_t>(port));
  ::inet_pton(AF_INET, address.c_str(), &target.sin_addr);
  while (std::chrono::steady_clock::now() < deadline) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const bool connected =
        ::connect(fd, reinterpret_cast<const sockaddr*>(&target), sizeof target) == 0;
    ::close(fd);
    if (connected) return true;
    // Nothing to wait on but the listener itself: probe again shortly.
    ::poll(nullptr, 0, 10);
  }
  return false;
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

namespace {

std::string NginxConfig(const std::string& address, const fs::path& prefix) {
  const std::string p = prefix.string();
  std::string conf =
      "daemon off;\nmaster_process off;\nworker_processes 1;\nuser root root;\n"
      "pid " +
      p + "/nginx.pid;\nerror_log " + p +
      "/error.log;\n"
      "events { worker_connections 64; }\n"
      "http {\n  access_log off;\n"
      "  client_body_temp_path " +
      p + "/body;\n  proxy_temp_path " + p +
      "/proxy;\n"
      "  fastcgi_temp_path " +
      p + "/fastcgi;\n  uwsgi_temp_path " + p +
      "/uwsgi;\n"
      "  scgi_temp_path " +
      p +
      "/scgi;\n"
      "  server {\n    listen " +
      address + ":80;\n    root " + p + "/www;\n";
  for (int n = 0; n <= 8; ++n) {
    const std::string next = n == 0 ? "/file.bin" : "/abs/" + std::to_string(n - 1);
    const std::string nextPath = n == 0 ? "/file.bin" : "/path/" + std::to_string(n - 1);
    conf += "    location = /abs/" + std::to_string(n) + " { return 302 " + next + "; }\n";
    conf += "    location = /path/" + std::to_string(n) + " { absolute_redirect off; return 302 " +
            nextPath + "; }\n";
  }
  conf += "  }\n}\n";
  return conf;
}

constexpr int kStartTimeoutMs = 10000;

}  // namespace

NginxServer::NginxServer(std::string address) : address_(std::move(address)) {
  fs::create_directories(folder_.path() / "www");
  const std::string conf = folder_.File("nginx.conf");
  WriteFile(conf, NginxConfig(address_, folder_.path()));
  process_ = std::make_unique<ChildProcess>(
      std::vector<std::string>{"/usr/sbin/nginx", "-p", folder_.path().string(), "-c", conf, "-e",
                               folder_.File("error.log")});
  if (!WaitForListener(address_, 80, kStartTimeoutMs)) {
    throw std::runtime_error("nginx did not start: " + ReadFile(folder_.File("error.log")));
  }
}

FaultServer::FaultServer(std::string address) : address_(std::move(address)) {
  process_ = std::make_unique<ChildProcess>(std::vector<std::string>{
      ORVANE_FAULT_SERVER_PATH, address_, "80", folder_.File("requests.log"), "120"});
  if (!WaitForListener(address_, 80, kStartTimeoutMs)) {
    throw std::runtime_error("fault server did not start");
  }
}

}  // namespace orvane::testing
