// The few socket operations the download worker needs. The product uses
// Winsock 1.1, the native build BSD sockets, and tests and the fuzzer a
// scripted fake, so the worker itself never sees a platform header.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace orvane {

using SocketId = intptr_t;
inline constexpr SocketId kNoSocket = -1;

// How long a blocking call may wait, and how it learns that the user asked
// to stop. Waits are cut into slices so a stop is seen within one slice.
struct WaitRules {
  int timeoutMs = 30000;
  int sliceMs = 100;
  std::function<bool()> stopRequested;
};

enum class IoStatus {
  kDone,      // connected, sent, or `bytes` received
  kClosed,    // the peer closed the connection normally (receive only)
  kFailed,    // a socket error; the seam's LastError() tells which
  kTimedOut,  // nothing happened within the timeout
  kStopped,   // the stop request was seen while waiting
};

struct IoResult {
  IoStatus status = IoStatus::kFailed;
  size_t bytes = 0;
};

class SocketSeam {
 public:
  virtual ~SocketSeam() = default;

  // Starts the socket library (Winsock version 1.1); false on failure.
  virtual bool StartUp() = 0;
  // Pairs a successful StartUp().
  virtual void CleanUp() = 0;
  // IPv4 address in network order, 0 when the name cannot be resolved.
  virtual uint32_t Resolve(const std::string& host) = 0;
  // A TCP socket, or kNoSocket.
  virtual SocketId OpenTcp() = 0;
  virtual IoResult Connect(SocketId socket, uint32_t address, int32_t port,
                           const WaitRules& wait) = 0;
  // One send call: the request is small and a short send is not continued.
  virtual IoResult Send(SocketId socket, std::string_view data) = 0;
  virtual IoResult Receive(SocketId socket, char* buffer, size_t size, const WaitRules& wait) = 0;
  // Shuts both directions down and closes the socket.
  virtual void Close(SocketId socket) = 0;
  // The platform's code of the last failure (WSAGetLastError, errno).
  virtual int LastError() = 0;
};

// Dotted IPv4 literal as is, otherwise the first address of a lookup; 0
// when the name cannot be resolved. Network byte order.
uint32_t ResolveHost(const std::string& host);

// The platform's socket layer.
SocketSeam& PlatformSockets();

}  // namespace orvane
