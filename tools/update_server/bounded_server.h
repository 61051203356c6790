// The update server's HTTP server with limits on each connection, so that
// slow or idle clients cannot keep the fixed pool of workers from the
// others: one request per connection, whose header must be complete
// within the request timeout after the connection was accepted, and an
// answer that is given up when the client takes nothing for the send
// timeout. A stop ends every connection at once.
#pragma once

#include <httplib.h>

#include <chrono>
#include <cstddef>
#include <memory>

namespace orvane::server {

struct ConnectionLimits {
  std::chrono::milliseconds requestTimeout{10000};
  std::chrono::milliseconds sendTimeout{30000};
  size_t workers = 48;
};

// How long a connection may still wait for the client: the rest of the
// request timeout while the request is read, the send timeout for each
// wait to send. Zero when the wait is over.
std::chrono::milliseconds AllowedWait(bool answering,
                                      std::chrono::steady_clock::time_point accepted,
                                      std::chrono::steady_clock::time_point now,
                                      const ConnectionLimits& limits);

class BoundedServer : public httplib::Server {
 public:
  explicit BoundedServer(const ConnectionLimits& limits);
  ~BoundedServer() override;
  BoundedServer(const BoundedServer&) = delete;
  BoundedServer& operator=(const BoundedServer&) = delete;

  // After bind_to_port: a deeper accept queue than the library's own, for
  // the bursts of a release day.
  void WidenBacklog();

  // Stops accepting and ends the connections in progress.
  void Shutdown();

 private:
  bool process_and_close_socket(socket_t sock) override;

  ConnectionLimits limits_;
  int stopEvent_;  // an eventfd, readable once the server stops
};

}  // namespace orvane::server
