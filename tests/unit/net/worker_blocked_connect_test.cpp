// A server whose accept queue is full drops new connection requests, so a
// connect blocks: the worker must give up after its connect timeout and
// see a stop request while it waits.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <thread>
#include <vector>

#include "worker_test_support.h"

namespace orvane {
namespace {

// Listens on address:80 without ever accepting, its queue filled up.
class FullBacklogListener {
 public:
  explicit FullBacklogListener(const std::string& address) {
    sockaddr_in target{};
    target.sin_family = AF_INET;
    target.sin_port = htons(80);
    ::inet_pton(AF_INET, address.c_str(), &target.sin_addr);
    listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int yes = 1;
    ::setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    ready_ = ::bind(listener_, reinterpret_cast<sockaddr*>(&target), sizeof target) == 0 &&
             ::listen(listener_, 0) == 0;
    // Connections until one no longer completes at once: the queue is full.
    for (int i = 0; ready_ && i < 8; ++i) {
      const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
      fillers_.push_back(fd);
      if (::connect(fd, reinterpret_cast<sockaddr*>(&target), sizeof target) != 0) {
        pollfd entry{fd, POLLOUT, 0};
        if (::poll(&entry, 1, 200) == 0) return;  // this one hangs: full
      }
    }
    ready_ = false;
  }
  ~FullBacklogListener() {
    for (int fd : fillers_) ::close(fd);
    ::close(listener_);
  }
  bool ready() const { return ready_; }

 private:
  int listener_ = -1;
  bool ready_ = false;
  std::vector<int> fillers_;
};

TEST(WorkerBlockedConnectTest, ConnectTimesOutWithItsText) {
  FullBacklogListener server("127.0.1.5");
  ASSERT_TRUE(server.ready());
  DownloadLimits limits;
  limits.connectTimeoutMs = 500;
  const testing::Outcome o = testing::Download("http://127.0.1.5/x.7z", "", limits);
  EXPECT_EQ(o.request.errorText,
            " 连接到主机出错:" + std::to_string(ETIMEDOUT) + "\r\n可能被杀毒软件拦截了");
  EXPECT_GE(o.took.count(), 450);
  EXPECT_LT(o.took.count(), 3000);
}

TEST(WorkerBlockedConnectTest, StopIsSeenWhileConnecting) {
  FullBacklogListener server("127.0.1.5");
  ASSERT_TRUE(server.ready());
  std::thread stopper([] {
    while (NetworkState.load() != kNetworkConnecting) std::this_thread::yield();
    NetworkState = kNetworkStopRequested;
  });
  const testing::Outcome o = testing::Download("http://127.0.1.5/x.7z");
  stopper.join();
  EXPECT_EQ(o.request.errorText, "");  // a stop ends without a text
  EXPECT_LT(o.took.count(), 3000);
  EXPECT_EQ(NetworkState.load(), kNetworkIdle);
}

}  // namespace
}  // namespace orvane
