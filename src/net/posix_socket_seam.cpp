// BSD sockets for the native build (tests, tools and benchmarks).
#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

#include "net/socket_seam.h"

namespace orvane {

namespace {

using Clock = std::chrono::steady_clock;

// Waits until `events` are ready on the socket, in slices so that a stop
// request is seen while a server stays silent.
IoStatus WaitFor(int fd, short events, const WaitRules& wait, int& error) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(wait.timeoutMs);
  for (;;) {
    if (wait.stopRequested && wait.stopRequested()) return IoStatus::kStopped;
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) {
      error = ETIMEDOUT;
      return IoStatus::kTimedOut;
    }
    pollfd entry{fd, events, 0};
    const int slice = static_cast<int>(left < wait.sliceMs ? left : wait.sliceMs);
    const int ready = ::poll(&entry, 1, slice);
    if (ready < 0) {
      if (errno == EINTR) continue;
      error = errno;
      return IoStatus::kFailed;
    }
    if (ready > 0) return IoStatus::kDone;
  }
}

class PosixSocketSeam final : public SocketSeam {
 public:
  bool StartUp() override { return true; }
  void CleanUp() override {}
  uint32_t Resolve(const std::string& host) override { return ResolveHost(host); }

  SocketId OpenTcp() override {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, IPPROTO_TCP);
    if (fd < 0) {
      error_ = errno;
      return kNoSocket;
    }
    return fd;
  }

  IoResult Connect(SocketId socket, uint32_t address, int32_t port,
                   const WaitRules& wait) override {
    const int fd = static_cast<int>(socket);
    sockaddr_in target{};
    target.sin_family = AF_INET;
    target.sin_port = htons(static_cast<uint16_t>(port));
    target.sin_addr.s_addr = address;
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&target), sizeof target) == 0) {
      return {IoStatus::kDone, 0};
    }
    if (errno != EINPROGRESS) {
      error_ = errno;
      return {IoStatus::kFailed, 0};
    }
    const IoStatus waited = WaitFor(fd, POLLOUT, wait, error_);
    if (waited != IoStatus::kDone) return {waited, 0};
    int result = 0;
    socklen_t length = sizeof result;
    if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &result, &length) != 0) result = errno;
    if (result != 0) {
      error_ = result;
      return {IoStatus::kFailed, 0};
    }
    return {IoStatus::kDone, 0};
  }

  IoResult Send(SocketId socket, std::string_view data) override {
    const ssize_t sent = ::send(static_cast<int>(socket), data.data(), data.size(), MSG_NOSIGNAL);
    if (sent < 0) {
      error_ = errno;
      return {IoStatus::kFailed, 0};
    }
    return {IoStatus::kDone, static_cast<size_t>(sent)};
  }

  IoResult Receive(SocketId socket, char* buffer, size_t size, const WaitRules& wait) override {
    const int fd = static_cast<int>(socket);
    for (;;) {
      const ssize_t got = ::recv(fd, buffer, size, 0);
      if (got > 0) return {IoStatus::kDone, static_cast<size_t>(got)};
      if (got == 0) return {IoStatus::kClosed, 0};
      if (errno == EINTR) continue;
      if (errno != EAGAIN && errno != EWOULDBLOCK) {
        error_ = errno;
        return {IoStatus::kFailed, 0};
      }
      const IoStatus waited = WaitFor(fd, POLLIN, wait, error_);
      if (waited != IoStatus::kDone) return {waited, 0};
    }
  }

  void Close(SocketId socket) override {
    ::shutdown(static_cast<int>(socket), SHUT_RDWR);
    ::close(static_cast<int>(socket));
  }

  int LastError() override { return error_; }

 private:
  int error_ = 0;
};

}  // namespace

uint32_t ResolveHost(const std::string& host) {
  in_addr literal{};
  if ((literal.s_addr = ::inet_addr(host.c_str())) != INADDR_NONE) {
    return literal.s_addr;
  }
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (::getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0 || found == nullptr) return 0;
  const uint32_t address = reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr.s_addr;
  ::freeaddrinfo(found);
  return address;
}

SocketSeam& PlatformSockets() {
  thread_local PosixSocketSeam seam;
  return seam;
}

}  // namespace orvane
