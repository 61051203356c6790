// A socket layer that plays back scripted server answers, so the worker's
// response handling runs without a network: one script per connection,
// each a list of received blocks and the way the connection ends.
#pragma once

#include <algorithm>
#include <cstring>
#include <deque>
#include <stdexcept>
#include <string>
#include <vector>

#include "net/socket_seam.h"

namespace orvane::testing {

struct ScriptedConnection {
  std::vector<std::string> blocks;
  // kClosed, kFailed (a reset) or kTimedOut after the last block.
  IoStatus end = IoStatus::kClosed;
};

class ScriptedSocketSeam final : public SocketSeam {
 public:
  std::deque<ScriptedConnection> connections;
  std::vector<std::string> requests;
  bool startFails = false;
  int cleanUps = 0;
  // The receive call of this number (from 1) throws, as a failing
  // allocation or a broken library would.
  int throwAtReceive = 0;

  bool StartUp() override { return !startFails; }
  void CleanUp() override { ++cleanUps; }
  uint32_t Resolve(const std::string& host) override {
    return host == "unknown.invalid" ? 0 : 0x0100007fu;
  }
  SocketId OpenTcp() override { return ++lastSocket_; }
  IoResult Connect(SocketId, uint32_t, int32_t, const WaitRules&) override {
    if (connections.empty()) {
      error_ = 10061;
      return {IoStatus::kFailed, 0};
    }
    current_ = std::move(connections.front());
    connections.pop_front();
    next_ = 0;
    offset_ = 0;
    return {IoStatus::kDone, 0};
  }
  IoResult Send(SocketId, std::string_view data) override {
    requests.emplace_back(data);
    return {IoStatus::kDone, data.size()};
  }
  IoResult Receive(SocketId, char* buffer, size_t size, const WaitRules& wait) override {
    if (++receives_ == throwAtReceive) throw std::runtime_error("receive");
    if (wait.stopRequested && wait.stopRequested()) return {IoStatus::kStopped, 0};
    while (next_ < current_.blocks.size() && offset_ == current_.blocks[next_].size()) {
      ++next_;
      offset_ = 0;
    }
    if (next_ >= current_.blocks.size()) {
      error_ = 10054;
      return {current_.end, 0};
    }
    const std::string& block = current_.blocks[next_];
    const size_t n = std::min(size, block.size() - offset_);
    std::memcpy(buffer, block.data() + offset_, n);
    offset_ += n;
    return {IoStatus::kDone, n};
  }
  void Close(SocketId) override {}
  int LastError() override { return error_; }

 private:
  SocketId lastSocket_ = 100;
  ScriptedConnection current_;
  size_t next_ = 0;
  size_t offset_ = 0;
  int error_ = 0;
  int receives_ = 0;
};

}  // namespace orvane::testing
