// A small HTTP server for tests that does on request what real servers do
// only by accident. Usage:
//   fault_server ADDRESS PORT LOG_FILE [IDLE_SECONDS [detached]]
// It serves until /quit is asked, or until no connection came for
// IDLE_SECONDS (default 60), so a test that dies leaves no server behind.
// It also ends with the process that started it, unless "detached" (for a
// script that starts it for later tests and stops it afterwards).
// Every request head is appended to LOG_FILE, followed by a line "--".
//
// Paths (query options after "?", separated by "&"):
//   /data/SIZE          SIZE bytes of FaultContent(seed)
//       seed=N          content seed (default 1)
//       reset=A,B,..    connection k for this target is reset when the
//                       body offset reaches the k-th value (an empty
//                       value: no reset; connections past the list run)
//       close=A,B,..    the same, with a normal close instead of a reset
//       stall=A,B,..    the same, but the connection then stays open and
//                       silent until the client gives up
//       answer=pf..     for Range requests of connection k >= 1: p = 206,
//                       f = 200 with the whole body (default p)
//       fail=K          connections K and later answer failcode (default
//       failcode=CODE   503) instead: a server that fails for good
//       nolength        no Content-Length header
//       lower           header names in lower case
//       length=TEXT     Content-Length value sent as given
//       split=N         header sent in pieces of N bytes
//       drip=N          body sent in pieces of N bytes
//       pause=MS        pause between pieces (default 30)
//       body=http       the body is "HTTP/1.1 200 OK\r\n\r\n" repeated
//   /redirect/N/SIZE    302 to /redirect/N-1/SIZE, /redirect/0/SIZE is
//                       /data/SIZE; form=abs|path|rel|none picks the
//                       Location form (none: no Location line)
//   /                   200 with the text "root page"
//   /status/CODE        that status with a short body
//   /silent             reads the request and never answers
//   /quit               ends the server
#include <arpa/inet.h>
#include <linux/sockios.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "fault_content.h"

namespace {

using orvane::testing::FaultContentByte;

std::mutex stateMutex;
std::map<std::string, int> connectionsByTarget;
std::string logPath;
std::string serverAddress;
std::atomic<bool> quitting{false};

struct Request {
  std::string head;
  std::string path;
  std::map<std::string, std::string> options;
  bool hasRange = false;
  uint64_t rangeStart = 0;
};

bool SendAll(int fd, const char* data, size_t size) {
  while (size > 0) {
    const ssize_t sent = ::send(fd, data, size, MSG_NOSIGNAL);
    if (sent <= 0) return false;
    data += sent;
    size -= static_cast<size_t>(sent);
  }
  return true;
}

void Pause(int ms) {
  std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

// Sends in pieces so that each piece reaches the client as its own block.
bool SendPieces(int fd, const std::string& data, size_t piece, int pauseMs) {
  if (piece == 0) return SendAll(fd, data.data(), data.size());
  for (size_t at = 0; at < data.size(); at += piece) {
    if (!SendAll(fd, data.data() + at, std::min(piece, data.size() - at))) return false;
    Pause(pauseMs);
  }
  return true;
}

// Waits until the client has everything sent so far.
void AwaitDelivery(int fd) {
  for (int i = 0; i < 400; ++i) {
    int unsent = 0;
    if (::ioctl(fd, SIOCOUTQ, &unsent) != 0 || unsent == 0) break;
    Pause(5);
  }
}

// Resets the connection once the client has everything sent so far.
void ResetAfterDelivery(int fd) {
  AwaitDelivery(fd);
  linger hard{1, 0};
  ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
}

// Keeps the connection open and silent until the client closes it (or a
// minute has passed, so a client that never gives up cannot keep a thread).
void StallUntilClientLeaves(int fd) {
  char sink[256];
  for (int i = 0; i < 600; ++i) {
    pollfd entry{fd, POLLIN, 0};
    if (::poll(&entry, 1, 100) > 0 && ::recv(fd, sink, sizeof sink, 0) <= 0) return;
  }
}

std::vector<std::string> Split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (;;) {
    const size_t at = text.find(separator, start);
    parts.push_back(text.substr(start, at == std::string::npos ? std::string::npos : at - start));
    if (at == std::string::npos) return parts;
    start = at + 1;
  }
}

bool ReadRequest(int fd, Request& request) {
  std::string head;
  char buffer[2048];
  while (head.find("\r\n\r\n") == std::string::npos) {
    const ssize_t got = ::recv(fd, buffer, sizeof buffer, 0);
    if (got <= 0 || head.size() > 65536) return false;
    head.append(buffer, static_cast<size_t>(got));
  }
  request.head = head.substr(0, head.find("\r\n\r\n"));
  const size_t space = head.find(' ');
  const size_t space2 = head.find(' ', space + 1);
  if (space == std::string::npos || space2 == std::string::npos) return false;
  const std::string target = head.substr(space + 1, space2 - space - 1);
  const size_t question = target.find('?');
  request.path = target.substr(0, question);
  if (question != std::string::npos) {
    for (const std::string& option : Split(target.substr(question + 1), '&')) {
      const size_t equals = option.find('=');
      request.options[option.substr(0, equals)] =
          equals == std::string::npos ? "" : option.substr(equals + 1);
    }
  }
  const size_t range = head.find("\r\nRange: bytes=");
  if (range != std::string::npos) {
    request.hasRange = true;
    request.rangeStart = std::strtoull(head.c_str() + range + 15, nullptr, 10);
  }
  return true;
}

void Log(const Request& request) {
  std::lock_guard<std::mutex> lock(stateMutex);
  std::ofstream log(logPath, std::ios::app | std::ios::binary);
  log << request.head << "\r\n--\r\n";
}

std::string Option(const Request& request, const std::string& name, const std::string& fallback) {
  const auto found = request.options.find(name);
  return found == request.options.end() ? fallback : found->second;
}

void SendSimple(int fd, const std::string& status, const std::string& extraHeaders,
                const std::string& body) {
  const std::string text = "HTTP/1.1 " + status + "\r\nServer: fault\r\n" + extraHeaders +
                           "Content-Length: " + std::to_string(body.size()) +
                           "\r\nConnection: close\r\n\r\n" + body;
  SendAll(fd, text.data(), text.size());
}

std::string BodyBytes(const Request& request, uint64_t from, uint64_t to) {
  std::string bytes;
  bytes.reserve(to - from);
  if (Option(request, "body", "") == "http") {
    static const std::string kLookalike = "HTTP/1.1 200 OK\r\n\r\n";
    for (uint64_t i = from; i < to; ++i) bytes.push_back(kLookalike[i % kLookalike.size()]);
    return bytes;
  }
  const uint32_t seed = static_cast<uint32_t>(std::stoul(Option(request, "seed", "1")));
  for (uint64_t i = from; i < to; ++i)
    bytes.push_back(static_cast<char>(FaultContentByte(seed, i)));
  return bytes;
}

enum class Ending { kWhole, kReset, kClose, kStall };

// The body offset at which connection `connection` breaks off, and how.
Ending BreakFor(const Request& request, int connection, uint64_t from, uint64_t size,
                uint64_t& stopAt) {
  Ending ending = Ending::kWhole;
  stopAt = size;
  for (const auto& [name, kind] :
       {std::pair{"reset", Ending::kReset}, std::pair{"close", Ending::kClose},
        std::pair{"stall", Ending::kStall}}) {
    if (!request.options.count(name)) continue;
    const std::vector<std::string> offsets = Split(request.options.at(name), ',');
    if (static_cast<size_t>(connection) >= offsets.size() || offsets[connection].empty()) continue;
    const uint64_t at =
        std::max<uint64_t>(std::strtoull(offsets[connection].c_str(), nullptr, 10), from);
    if (at < stopAt) stopAt = at, ending = kind;
  }
  return ending;
}

void ServeData(int fd, const Request& request, uint64_t size, const std::string& target) {
  int connection = 0;
  {
    std::lock_guard<std::mutex> lock(stateMutex);
    connection = connectionsByTarget[target]++;
  }
  if (request.options.count("fail") &&
      connection >= std::atoi(request.options.at("fail").c_str())) {
    const std::string code = Option(request, "failcode", "503");
    SendSimple(fd, code + " Failing", "", "failing for good");
    return;
  }
  const std::string answers = Option(request, "answer", "");
  const bool partial = request.hasRange && request.rangeStart < size &&
                       (connection == 0 || static_cast<size_t>(connection - 1) >= answers.size() ||
                        answers[connection - 1] != 'f');
  const uint64_t from = partial ? request.rangeStart : 0;

  uint64_t stopAt = size;
  const Ending ending = BreakFor(request, connection, from, size, stopAt);

  const bool lower = request.options.count("lower") > 0;
  std::string head = partial ? "HTTP/1.1 206 Partial Content\r\n" : "HTTP/1.1 200 OK\r\n";
  head += lower ? "server: fault\r\n" : "Server: fault\r\n";
  if (!request.options.count("nolength")) {
    const std::string length = Option(request, "length", std::to_string(size - from));
    head += (lower ? "content-length: " : "Content-Length: ") + length + "\r\n";
  }
  if (partial) {
    head += (lower ? "content-range: bytes " : "Content-Range: bytes ") + std::to_string(from) +
            "-" + std::to_string(size - 1) + "/" + std::to_string(size) + "\r\n";
  }
  head += "Connection: close\r\n\r\n";

  const int pauseMs = std::atoi(Option(request, "pause", "30").c_str());
  const size_t split = std::strtoull(Option(request, "split", "0").c_str(), nullptr, 10);
  const size_t drip = std::strtoull(Option(request, "drip", "0").c_str(), nullptr, 10);
  if (!SendPieces(fd, head, split, pauseMs)) return;
  if (drip == 0) {
    // Large bodies go out in slices so memory stays small.
    constexpr uint64_t kSlice = 1 << 20;
    for (uint64_t at = from; at < stopAt; at += kSlice) {
      const std::string part = BodyBytes(request, at, std::min(stopAt, at + kSlice));
      if (!SendAll(fd, part.data(), part.size())) return;
    }
  } else if (!SendPieces(fd, BodyBytes(request, from, stopAt), drip, pauseMs)) {
    return;
  }
  if (ending == Ending::kReset) ResetAfterDelivery(fd);
  if (ending == Ending::kClose) AwaitDelivery(fd);
  if (ending == Ending::kStall) StallUntilClientLeaves(fd);
}

void ServeRedirect(int fd, const Request& request, const std::string& rest) {
  const std::vector<std::string> parts = Split(rest, '/');
  const int hops = parts.empty() ? 0 : std::atoi(parts[0].c_str());
  const std::string size = parts.size() > 1 ? parts[1] : "100";
  if (hops <= 0) {
    ServeData(fd, request, std::strtoull(size.c_str(), nullptr, 10), "/redirect/0/" + size);
    return;
  }
  const std::string form = Option(request, "form", "abs");
  const std::string next = "redirect/" + std::to_string(hops - 1) + "/" + size + "?form=" + form;
  std::string location;
  if (form == "abs") location = "Location: http://" + serverAddress + "/" + next + "\r\n";
  if (form == "path") location = "Location: /" + next + "\r\n";
  if (form == "rel") location = "Location: " + next + "\r\n";
  SendSimple(fd, "302 Found", location, "moved");
}

void Serve(int fd) {
  Request request;
  if (!ReadRequest(fd, request)) {
    ::close(fd);
    return;
  }
  Log(request);
  const std::string& path = request.path;
  if (path == "/quit") {
    SendSimple(fd, "200 OK", "", "bye");
    quitting = true;
  } else if (path == "/silent") {
    char sink[256];
    while (::recv(fd, sink, sizeof sink, 0) > 0) {
    }
  } else if (path.rfind("/data/", 0) == 0) {
    std::string target = path;
    for (const auto& [name, value] : request.options) target += "&" + name + "=" + value;
    ServeData(fd, request, std::strtoull(path.c_str() + 6, nullptr, 10), target);
  } else if (path.rfind("/redirect/", 0) == 0) {
    ServeRedirect(fd, request, path.substr(10));
  } else if (path.rfind("/status/", 0) == 0) {
    SendSimple(fd, path.substr(8) + " Status", "", "status page");
  } else if (path == "/") {
    SendSimple(fd, "200 OK", "", "root page");
  } else {
    SendSimple(fd, "404 Not Found", "", "not found");
  }
  ::close(fd);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: fault_server ADDRESS PORT LOG_FILE [IDLE_SECONDS [detached]]\n");
    return 2;
  }
  // Ends with the test that started it.
  if (argc <= 5 || std::strcmp(argv[5], "detached") != 0) ::prctl(PR_SET_PDEATHSIG, SIGTERM);
  serverAddress = argv[1];
  logPath = argv[3];
  const int idleSeconds = argc > 4 ? std::atoi(argv[4]) : 60;

  const int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  const int yes = 1;
  ::setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(std::atoi(argv[2])));
  if (::inet_pton(AF_INET, argv[1], &address.sin_addr) != 1 ||
      ::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      ::listen(listener, 64) != 0) {
    std::perror("fault_server: listen");
    return 1;
  }
  auto lastActivity = std::chrono::steady_clock::now();
  while (!quitting) {
    pollfd entry{listener, POLLIN, 0};
    if (::poll(&entry, 1, 100) <= 0) {
      if (std::chrono::steady_clock::now() - lastActivity > std::chrono::seconds(idleSeconds)) {
        break;
      }
      continue;
    }
    const int client = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
    if (client < 0) continue;
    lastActivity = std::chrono::steady_clock::now();
    ::setsockopt(client, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
    std::thread(Serve, client).detach();
  }
  ::close(listener);
  return 0;
}
