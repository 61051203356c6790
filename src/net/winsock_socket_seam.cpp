// Winsock, asked for version 1.1, for the product. Each socket reports its
// network events to an event object (WSAEventSelect, which also makes it
// non-blocking), so connect and receive wait on the event in slices and
// see the user's stop request. The waits never use select(): under Wine 8
// a select() whose timeout runs out just as a socket event comes in can
// bring down the wine server (an assertion in its poll completion), and
// the download hangs with it.
#include <windows.h>
#include <winsock2.h>

#include <cstring>
#include <map>

#include "base/win/handles.h"
#include "net/socket_seam.h"

namespace orvane {

namespace {

class WinsockSeam final : public SocketSeam {
 public:
  bool StartUp() override {
    WSADATA data;
    return ::WSAStartup(0x0101, &data) == 0;
  }
  void CleanUp() override { ::WSACleanup(); }
  uint32_t Resolve(const std::string& host) override { return ResolveHost(host); }

  SocketId OpenTcp() override {
    const SOCKET socket = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (socket == INVALID_SOCKET) return kNoSocket;
    // With the default buffer Wine's Winsock wakes the worker for little
    // data at a time: with 4 MiB a download under Wine keeps up with curl
    // (0.35 -> 1.0 of its speed on loopback). On Windows a set size stands
    // in for the automatic one; 4 MiB still fills 300 Mbit/s at 100 ms.
    const int receiveBuffer = 4 << 20;
    ::setsockopt(socket, SOL_SOCKET, SO_RCVBUF, reinterpret_cast<const char*>(&receiveBuffer),
                 sizeof receiveBuffer);
    // A WSAEVENT is a manual-reset event handle.
    UniqueHandle event(::WSACreateEvent());
    if (!event || ::WSAEventSelect(socket, event.get(), FD_CONNECT | FD_READ | FD_CLOSE) != 0) {
      const int error = ::WSAGetLastError();
      ::closesocket(socket);
      ::WSASetLastError(error);
      return kNoSocket;
    }
    const SocketId id = static_cast<SocketId>(socket);
    events_[id] = std::move(event);
    return id;
  }

  IoResult Connect(SocketId id, uint32_t address, int32_t port, const WaitRules& wait) override {
    const SOCKET socket = static_cast<SOCKET>(id);
    sockaddr_in target{};
    target.sin_family = AF_INET;
    target.sin_port = ::htons(static_cast<u_short>(port));
    target.sin_addr.s_addr = address;
    if (::connect(socket, reinterpret_cast<const sockaddr*>(&target), sizeof target) == 0) {
      return {IoStatus::kDone, 0};
    }
    if (::WSAGetLastError() != WSAEWOULDBLOCK) return {IoStatus::kFailed, 0};
    return {WaitFor(id, FD_CONNECT, wait), 0};
  }

  IoResult Send(SocketId id, std::string_view data) override {
    const int sent = ::send(static_cast<SOCKET>(id), data.data(), static_cast<int>(data.size()), 0);
    if (sent == SOCKET_ERROR) return {IoStatus::kFailed, 0};
    return {IoStatus::kDone, static_cast<size_t>(sent)};
  }

  IoResult Receive(SocketId id, char* buffer, size_t size, const WaitRules& wait) override {
    const SOCKET socket = static_cast<SOCKET>(id);
    for (;;) {
      const int got = ::recv(socket, buffer, static_cast<int>(size), 0);
      if (got > 0) return {IoStatus::kDone, static_cast<size_t>(got)};
      if (got == 0) return {IoStatus::kClosed, 0};
      if (::WSAGetLastError() != WSAEWOULDBLOCK) return {IoStatus::kFailed, 0};
      // recv has re-armed FD_READ: the event is set once more data comes.
      const IoStatus waited = WaitFor(id, FD_READ | FD_CLOSE, wait);
      if (waited != IoStatus::kDone) return {waited, 0};
    }
  }

  void Close(SocketId id) override {
    ::shutdown(static_cast<SOCKET>(id), SD_BOTH);
    ::closesocket(static_cast<SOCKET>(id));
    events_.erase(id);
  }

  int LastError() override { return ::WSAGetLastError(); }

 private:
  // Waits until one of `wanted` happened on the socket.
  IoStatus WaitFor(SocketId id, long wanted, const WaitRules& wait) {
    const auto found = events_.find(id);
    if (found == events_.end()) return IoStatus::kFailed;
    HANDLE event = found->second.get();
    const DWORD start = ::GetTickCount();
    for (;;) {
      if (wait.stopRequested && wait.stopRequested()) return IoStatus::kStopped;
      const DWORD spent = ::GetTickCount() - start;
      if (spent >= static_cast<DWORD>(wait.timeoutMs)) {
        ::WSASetLastError(WSAETIMEDOUT);
        return IoStatus::kTimedOut;
      }
      const DWORD left = static_cast<DWORD>(wait.timeoutMs) - spent;
      const DWORD slice = left < static_cast<DWORD>(wait.sliceMs) ? left : wait.sliceMs;
      if (::WaitForSingleObject(event, slice) != WAIT_OBJECT_0) continue;
      WSANETWORKEVENTS happened{};
      if (::WSAEnumNetworkEvents(static_cast<SOCKET>(id), event, &happened) != 0) {
        return IoStatus::kFailed;
      }
      if (happened.lNetworkEvents & FD_CONNECT & wanted) {
        // A failed connect is reported here, with its code.
        const int code = happened.iErrorCode[FD_CONNECT_BIT];
        if (code == 0) return IoStatus::kDone;
        ::WSASetLastError(code);
        return IoStatus::kFailed;
      }
      // recv tells what came: data, the end, or the error.
      if (happened.lNetworkEvents & (FD_READ | FD_CLOSE) & wanted) return IoStatus::kDone;
    }
  }

  std::map<SocketId, UniqueHandle> events_;
};

}  // namespace

uint32_t ResolveHost(const std::string& host) {
  const unsigned long literal = ::inet_addr(host.c_str());
  if (literal != INADDR_NONE) return literal;
  const hostent* entry = ::gethostbyname(host.c_str());
  if (entry == nullptr || entry->h_addr_list == nullptr || entry->h_addr_list[0] == nullptr) {
    return 0;
  }
  uint32_t address = 0;
  memcpy(&address, entry->h_addr_list[0], sizeof address);
  return address;
}

SocketSeam& PlatformSockets() {
  // The program runs one transfer at a time, on one worker thread.
  static WinsockSeam seam;
  return seam;
}

}  // namespace orvane
