// Real servers on loopback addresses for the network tests: Debian's nginx
// with a configuration written per test run, and our fault-injecting
// server. Both listen on port 80 of one address and stop with the object.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <string>
#include <vector>

namespace orvane::testing {

// A folder under the system's temporary folder, removed with its content.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  const std::filesystem::path& path() const { return path_; }
  std::string File(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

// A child process, ended and waited for by the destructor.
class ChildProcess {
 public:
  explicit ChildProcess(const std::vector<std::string>& argv);
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;
  bool Running();

 private:
  pid_t pid_ = -1;
};

// True once something accepts connections on address:port.
bool WaitForListener(const std::string& address, int port, int timeoutMs);

void WriteFile(const std::string& path, const std::string& bytes);
std::string ReadFile(const std::string& path);

// nginx serving `Root()` on address:80. Redirect chains:
//   /abs/N  -> /abs/N-1 ... /abs/0 -> /file.bin, absolute Location
//   /path/N -> /path/N-1 ... -> /file.bin, Location without scheme
class NginxServer {
 public:
  explicit NginxServer(std::string address);
  std::string Url(const std::string& path) const { return "http://" + address_ + path; }
  std::string RootFile(const std::string& name) const { return folder_.File("www/" + name); }

 private:
  std::string address_;
  TempFolder folder_;
  std::unique_ptr<ChildProcess> process_;
};

// The fault server (tests/servers/fault_server.cpp) on address:80.
class FaultServer {
 public:
  explicit FaultServer(std::string address);
  std::string Url(const std::string& path) const { return "http://" + address_ + path; }
  // Every request head received so far.
  std::string Log() const { return ReadFile(folder_.File("requests.log")); }

 private:
  std::string address_;
  TempFolder folder_;
  std::unique_ptr<ChildProcess> process_;
};

}  // namespace orvane::testing
