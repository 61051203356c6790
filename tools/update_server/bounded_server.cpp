#include "bounded_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

namespace orvane::server {

using Clock = std::chrono::steady_clock;

std::chrono::milliseconds AllowedWait(bool answering, Clock::time_point accepted,
                                      Clock::time_point now, const ConnectionLimits& limits) {
  if (answering) return limits.sendTimeout;
  const auto left = accepted + limits.requestTimeout - now;
  if (left <= Clock::duration::zero()) return std::chrono::milliseconds(0);
  // Rounded up: a wait of less than a millisecond is still a wait.
  return std::chrono::ceil<std::chrono::milliseconds>(left);
}

namespace {

// The library hands a worker only a function to run; the time its
// connection was accepted comes along in this variable of the worker's.
thread_local Clock::time_point acceptedAt;

// A fixed pool of workers like the library's own, each job with the time
// it was queued, which is when the library accepted its connection.
class WorkerPool final : public httplib::TaskQueue {
 public:
  explicit WorkerPool(size_t count) {
    for (size_t i = 0; i < count; ++i) threads_.emplace_back([this] { Run(); });
  }
  ~WorkerPool() override { shutdown(); }
  WorkerPool(const WorkerPool&) = delete;
  WorkerPool& operator=(const WorkerPool&) = delete;

  void enqueue(std::function<void()> fn) override {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      jobs_.push_back({std::move(fn), Clock::now()});
    }
    ready_.notify_one();
  }

  // Runs the jobs still queued (their connections are closed by them),
  // then ends the workers.
  void shutdown() override {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      stopping_ = true;
    }
    ready_.notify_all();
    for (std::thread& t : threads_) {
      if (t.joinable()) t.join();
    }
  }

 private:
  struct Job {
    std::function<void()> run;
    Clock::time_point queued;
  };

  void Run() {
    for (;;) {
      Job job;
      {
        std::unique_lock<std::mutex> lock(mutex_);
        ready_.wait(lock, [this] { return stopping_ || !jobs_.empty(); });
        if (jobs_.empty()) return;
        job = std::move(jobs_.front());
        jobs_.pop_front();
      }
      acceptedAt = job.queued;
      job.run();
    }
  }

  std::mutex mutex_;
  std::condition_variable ready_;
  std::deque<Job> jobs_;
  bool stopping_ = false;
  std::vector<std::thread> threads_;
};

// Shuts the connection down and closes it, however the request ended.
class OwnedSocket {
 public:
  explicit OwnedSocket(int fd) : fd_(fd) {}
  ~OwnedSocket() {
    ::shutdown(fd_, SHUT_RDWR);
    ::close(fd_);
  }
  OwnedSocket(const OwnedSocket&) = delete;
  OwnedSocket& operator=(const OwnedSocket&) = delete;

 private:
  int fd_;
};

void AddressText(const sockaddr_storage& address, std::string& ip, int& port) {
  char text[INET6_ADDRSTRLEN] = "";
  if (address.ss_family == AF_INET) {
    const auto& in = reinterpret_cast<const sockaddr_in&>(address);
    inet_ntop(AF_INET, &in.sin_addr, text, sizeof text);
    port = ntohs(in.sin_port);
  } else if (address.ss_family == AF_INET6) {
    const auto& in6 = reinterpret_cast<const sockaddr_in6&>(address);
    inet_ntop(AF_INET6, &in6.sin6_addr, text, sizeof text);
    port = ntohs(in6.sin6_port);
  }
  ip = text;
}

// One connection's socket under the limits: every wait is bounded by
// AllowedWait and ends early when the server stops.
class LimitedStream final : public httplib::Stream {
 public:
  LimitedStream(int sock, int stopEvent, Clock::time_point accepted, const ConnectionLimits& limits)
      : sock_(sock), stopEvent_(stopEvent), accepted_(accepted), limits_(limits) {}

  bool is_readable() const override { return begin_ < end_ || Wait(POLLIN); }

  bool is_writable() const override {
    answering_ = true;
    return Wait(POLLOUT);
  }

  ssize_t read(char* ptr, size_t size) override {
    if (begin_ == end_) {
      if (!Wait(POLLIN)) return -1;
      ssize_t n;
      do {
        n = ::recv(sock_, buffer_, sizeof buffer_, 0);
      } while (n < 0 && errno == EINTR);
      if (n <= 0) return n;
      begin_ = 0;
      end_ = static_cast<size_t>(n);
    }
    const size_t n = std::min(size, end_ - begin_);
    std::memcpy(ptr, buffer_ + begin_, n);
    begin_ += n;
    return static_cast<ssize_t>(n);
  }

  ssize_t write(const char* ptr, size_t size) override {
    answering_ = true;
    size_t sent = 0;
    while (sent < size) {
      const ssize_t n = ::send(sock_, ptr + sent, size - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
      if (n > 0) {
        sent += static_cast<size_t>(n);
      } else if (n < 0 && errno == EINTR) {
        continue;
      } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK) && Wait(POLLOUT)) {
        continue;
      } else {
        return -1;
      }
    }
    return static_cast<ssize_t>(sent);
  }

  void get_remote_ip_and_port(std::string& ip, int& port) const override {
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    if (getpeername(sock_, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
      AddressText(address, ip, port);
    }
  }

  void get_local_ip_and_port(std::string& ip, int& port) const override {
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    if (getsockname(sock_, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
      AddressText(address, ip, port);
    }
  }

  socket_t socket() const override { return sock_; }

 private:
  bool Wait(short events) const {
    for (;;) {
      // With no time left what has arrived is still taken: a request that
      // came whole while its connection waited for a worker is served.
      const auto wait = AllowedWait(answering_, accepted_, Clock::now(), limits_);
      pollfd fds[2] = {{sock_, events, 0}, {stopEvent_, POLLIN, 0}};
      const int ready = ::poll(fds, 2, static_cast<int>(wait.count()));
      if (ready < 0 && errno == EINTR) continue;
      if (ready <= 0 || fds[1].revents != 0) return false;
      // An error or a hang-up is left for the next recv or send to report.
      return true;
    }
  }

  int sock_;
  int stopEvent_;
  Clock::time_point accepted_;
  const ConnectionLimits& limits_;
  mutable bool answering_ = false;
  char buffer_[4096];
  size_t begin_ = 0;
  size_t end_ = 0;
};

}  // namespace

BoundedServer::BoundedServer(const ConnectionLimits& limits)
    : limits_(limits), stopEvent_(eventfd(0, EFD_CLOEXEC)) {
  if (stopEvent_ < 0) throw std::runtime_error("eventfd failed");
  new_task_queue = [this] { return new WorkerPool(limits_.workers); };
}

BoundedServer::~BoundedServer() {
  ::close(stopEvent_);
}

void BoundedServer::WidenBacklog() {
  ::listen(svr_sock_, SOMAXCONN);
}

void BoundedServer::Shutdown() {
  const uint64_t one = 1;
  // Level-triggered: every wait, now and later, sees the stop.
  [[maybe_unused]] const ssize_t written = ::write(stopEvent_, &one, sizeof one);
  stop();
}

bool BoundedServer::process_and_close_socket(socket_t sock) {
  const OwnedSocket owned(sock);
  LimitedStream stream(sock, stopEvent_, acceptedAt, limits_);
  bool closed = false;
  // One request per connection: no idle keep-alive holds a worker.
  return process_request(stream, true, closed, nullptr);
}

}  // namespace orvane::server
