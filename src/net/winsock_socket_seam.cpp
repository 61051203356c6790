// Winsock, asked for version 1.1, for the product. Sockets are switched to
// non-blocking mode so that connect and receive can wait in slices and see
// the user's stop request.
#include <windows.h>
#include <winsock2.h>

#include <cstring>

#include "net/socket_seam.h"

namespace orvane {

namespace {

enum class Readiness { kRead, kWrite };

IoStatus WaitFor(SOCKET socket, Readiness what, const WaitRules& wait) {
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
    fd_set ready;
    fd_set failed;
    FD_ZERO(&ready);
    FD_ZERO(&failed);
    FD_SET(socket, &ready);
    FD_SET(socket, &failed);
    timeval timeout{static_cast<long>(slice / 1000), static_cast<long>((slice % 1000) * 1000)};
    const int count = what == Readiness::kRead ? ::select(0, &ready, nullptr, &failed, &timeout)
                                               : ::select(0, nullptr, &ready, &failed, &timeout);
    if (count == SOCKET_ERROR) return IoStatus::kFailed;
    if (count == 0) continue;
    if (FD_ISSET(socket, &failed)) {
      // A failed connect is reported here; its code sits in SO_ERROR.
      int code = 0;
      int length = sizeof code;
      ::getsockopt(socket, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&code), &length);
      ::WSASetLastError(code != 0 ? code : WSAECONNREFUSED);
      return IoStatus::kFailed;
    }
    return IoStatus::kDone;
  }
}

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
    u_long nonBlocking = 1;
    ::ioctlsocket(socket, FIONBIO, &nonBlocking);
    return static_cast<SocketId>(socket);
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
    return {WaitFor(socket, Readiness::kWrite, wait), 0};
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
      const IoStatus waited = WaitFor(socket, Readiness::kRead, wait);
      if (waited != IoStatus::kDone) return {waited, 0};
    }
  }

  void Close(SocketId id) override {
    ::shutdown(static_cast<SOCKET>(id), SD_BOTH);
    ::closesocket(static_cast<SOCKET>(id));
  }

  int LastError() override { return ::WSAGetLastError(); }
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
  static WinsockSeam seam;
  return seam;
}

}  // namespace orvane
