#include "net/http_worker.h"

#include <optional>
#include <string_view>
#include <vector>

#include "net/http_response.h"
#include "net/network_state.h"
#include "net/output_file.h"
#include "net/url_split.h"

namespace orvane {

namespace {

constexpr int kMaxRequests = 6;  // the first one and five redirections

constexpr const char* kStartFailedText = "初始化 WinSock 失败！！";
constexpr const char* kBadAddressText = "网址无效!!";
constexpr const char* kBlockedHint = "可能被杀毒软件拦截了";

struct StagePrefixes {
  const char* socket;
  const char* connect;
  const char* send;
};
constexpr StagePrefixes kFirstAttempt{" 打开 socket出错:", " 连接到主机出错:", "  HTTP 请求出错:"};
constexpr StagePrefixes kResumeAttempt{
    "续传 打开 socket出错:", "续传 连接到主机出错:", "续传  HTTP 请求出错:"};

// What the receive loop does after a block.
enum class Next { kReceive, kLeave, kReconnect };

// Where the bytes of the current connection go.
enum class Phase {
  kFirstHeader,   // the answer to the plain request
  kResumeHeader,  // the answer to a Range request after a reconnect
  kBody,
};

class Transfer {
 public:
  Transfer(DownloadRequest& request, SocketSeam& sockets, const DownloadHooks& hooks,
           const DownloadLimits& limits)
      : request_(request),
        sockets_(sockets),
        hooks_(hooks),
        limits_(limits),
        file_(request.outputPath) {}

  void Run() {
    Execute();
    Finish();
  }

 private:
  bool FileMode() const { return !request_.outputPath.empty(); }
  uint32_t BodyBytes() const { return position_ == 0 ? 0 : position_ - 1; }
  bool BodyMissing() const {
    return request_.announcedLength > 0 &&
           BodyBytes() < static_cast<uint32_t>(request_.announcedLength);
  }

  WaitRules Wait(int timeoutMs) const {
    return WaitRules{timeoutMs, limits_.stopCheckMs, &NetworkStopRequested};
  }

  void SetSocketError(const char* prefix) {
    request_.errorText =
        std::string(prefix) + std::to_string(sockets_.LastError()) + "\r\n" + kBlockedHint;
  }

  void Execute() {
    SetNetworkStage(kNetworkStartingSockets);
    if (!sockets_.StartUp()) {
      request_.errorText = kStartFailedText;
      return;
    }
    socketsStarted_ = true;
    SplitUrl(request_.url, host_, path_, port_);
    SetNetworkStage(kNetworkSplittingAddress);
    if (host_.empty()) {
      request_.errorText = kBadAddressText;
      return;
    }
    if (FileMode() && !RemoveFileIfPresent(request_.outputPath)) oldFileStayed_ = true;

    for (int requests = 1;; ++requests) {
      SetNetworkStage(kNetworkLookingUp);
      if (NetworkStopRequested()) return;
      const uint32_t address = sockets_.Resolve(host_);
      if (address == 0) return;
      address_ = address;
      if (!RunOneRequest()) return;
      // A redirection: follow it unless stopped, failed or too many.
      if (NetworkStopRequested() || HasFileError() || requests >= kMaxRequests) return;
    }
  }

  // One request and its answer; true when a redirection is to be followed.
  bool RunOneRequest() {
    if (!Connect(kFirstAttempt, std::nullopt)) return false;
    SetNetworkStage(kNetworkReceiving);
    request_.resultText.clear();
    request_.announcedLength = 0;
    phase_ = Phase::kFirstHeader;
    header_.clear();
    reconnects_ = 0;

    ReceiveLoop();
    CloseSocket();
    return request_.announcedLength < 0;
  }

  // Socket, connect and request; on failure the socket is closed and the
  // error text set (none when the user stopped).
  bool Connect(const StagePrefixes& prefixes, std::optional<uint32_t> resumeFrom) {
    if (!resumeFrom) SetNetworkStage(kNetworkCreatingSocket);
    socket_ = sockets_.OpenTcp();
    if (socket_ == kNoSocket) {
      SetSocketError(prefixes.socket);
      return false;
    }
    SetNetworkStage(kNetworkConnecting);
    const IoResult connected =
        sockets_.Connect(socket_, address_, port_, Wait(limits_.connectTimeoutMs));
    if (connected.status != IoStatus::kDone) {
      if (connected.status != IoStatus::kStopped) SetSocketError(prefixes.connect);
      CloseSocket();
      return false;
    }
    SetNetworkStage(kNetworkSending);
    const IoResult sent = sockets_.Send(socket_, BuildRequestText(host_, path_, resumeFrom));
    if (sent.status != IoStatus::kDone) {
      SetSocketError(prefixes.send);
      CloseSocket();
      return false;
    }
    return true;
  }

  void CloseSocket() {
    if (socket_ != kNoSocket) sockets_.Close(socket_);
    socket_ = kNoSocket;
  }

  void ReceiveLoop() {
    std::vector<char> buffer(kReceiveBlockBytes);
    for (;;) {
      const IoResult got =
          sockets_.Receive(socket_, buffer.data(), buffer.size(), Wait(limits_.receiveTimeoutMs));
      Next next = Next::kLeave;
      switch (got.status) {
        case IoStatus::kDone:
          next = HandleBlock(std::string_view(buffer.data(), got.bytes));
          break;
        case IoStatus::kClosed:
          next = HandleClose();
          break;
        case IoStatus::kFailed:
        case IoStatus::kTimedOut:
          next = HandleBreak();
          break;
        case IoStatus::kStopped:
          return;
      }
      if (next == Next::kReconnect) next = Reconnect();
      if (next == Next::kLeave || NetworkStopRequested()) return;
    }
  }

  Next HandleBreak() {
    if (phase_ == Phase::kFirstHeader) return Next::kLeave;  // nothing accepted yet
    if (phase_ == Phase::kBody && !BodyMissing()) return Next::kLeave;
    return Next::kReconnect;
  }

  // The server closed normally. A header that came without its blank line
  // is judged as it is; a body that ends early counts as complete, as
  // HTTP/1.0 servers without a length end every body that way.
  Next HandleClose() {
    switch (phase_) {
      case Phase::kFirstHeader:
        if (!header_.empty()) {
          const std::string header = std::move(header_);
          AcceptFirstHeader(header, std::string_view());
        }
        return Next::kLeave;
      case Phase::kResumeHeader:
        return Next::kReconnect;
      case Phase::kBody:
        return Next::kLeave;
    }
    return Next::kLeave;
  }

  Next Reconnect() {
    CloseSocket();
    if (reconnects_ >= limits_.maxReconnects || NetworkStopRequested()) {
      incomplete_ = true;
      return Next::kLeave;
    }
    ++reconnects_;
    if (!Connect(kResumeAttempt, BodyBytes())) {
      incomplete_ = true;
      return Next::kLeave;
    }
    phase_ = Phase::kResumeHeader;
    header_.clear();
    return Next::kReceive;
  }

  Next HandleBlock(std::string_view block) {
    if (phase_ == Phase::kBody) return WriteBody(block);

    header_.append(block);
    const size_t end = HeaderEnd(header_);
    if (end == std::string::npos) {
      if (header_.size() <= limits_.maxHeaderBytes) return Next::kReceive;
      if (phase_ == Phase::kFirstHeader) {
        request_.announcedLength = 0;
        return Next::kLeave;
      }
      return Next::kReconnect;
    }
    // The header is complete; what follows it is body.
    const std::string gathered = std::move(header_);
    header_.clear();
    const std::string_view header = std::string_view(gathered).substr(0, end);
    const std::string_view body = std::string_view(gathered).substr(end);
    return phase_ == Phase::kFirstHeader ? AcceptFirstHeader(header, body)
                                         : AcceptResumeHeader(header, body);
  }

  Next AcceptFirstHeader(std::string_view header, std::string_view body) {
    switch (ClassifyStatus(header)) {
      case StatusClass::kRedirection:
        SplitUrl(RedirectLocation(header), host_, path_, port_);
        request_.announcedLength = -1;
        return Next::kLeave;
      case StatusClass::kSuccess:
        request_.announcedLength = AnnouncedLength(header);
        position_ = 1;
        phase_ = Phase::kBody;
        return WriteBody(body);
      case StatusClass::kOther:
        break;
    }
    request_.announcedLength = 0;
    return Next::kLeave;
  }

  // Only the first answer after a reconnect is looked at for a status: a
  // body that happens to start with "HTTP/1.1 200" is data.
  Next AcceptResumeHeader(std::string_view header, std::string_view body) {
    if (HasStatusCode(header, "206")) {
      const auto start = ContentRangeStart(header);
      if (start && *start != BodyBytes()) return Next::kReconnect;
    } else if (HasStatusCode(header, "200")) {
      // The server ignored the Range: the body starts again.
      position_ = 1;
      request_.announcedLength = AnnouncedLength(header);
      if (FileMode()) {
        if (!file_.Restart()) {
          writeFailed_ = true;
          return Next::kLeave;
        }
      } else {
        request_.resultText.clear();
      }
    } else {
      return Next::kReconnect;
    }
    phase_ = Phase::kBody;
    return WriteBody(body);
  }

  Next WriteBody(std::string_view data) {
    if (data.empty()) return Next::kReceive;
    if (!FileMode()) {
      request_.resultText.append(data);
      position_ += static_cast<uint32_t>(data.size());
      return Next::kReceive;
    }
    if (!file_.IsOpen() && !file_.Open()) {
      openFailed_ = true;
      return Next::kLeave;
    }
    if (!file_.Write(data)) {
      writeFailed_ = true;
      return Next::kLeave;
    }
    fileOpened_ = true;
    position_ += static_cast<uint32_t>(data.size());
    ReportProgress();
    return Next::kReceive;
  }

  void ReportProgress() {
    const uint32_t now = hooks_.nowMs ? hooks_.nowMs() : 0;
    if (reported_ && now - lastProgressTime_ <= kProgressIntervalMs) return;
    reported_ = true;
    lastProgressTime_ = now;
    if (hooks_.progress) hooks_.progress(position_, request_.announcedLength);
  }

  bool HasFileError() const {
    return openFailed_ || writeFailed_ || closeFailed_ || (oldFileStayed_ && !fileOpened_);
  }

  void Finish() {
    if (!file_.Close()) closeFailed_ = true;
    if (socketsStarted_) sockets_.CleanUp();

    bool success =
        request_.announcedLength > 0 && !NetworkStopRequested() && !HasFileError() && !incomplete_;
    if (success && FileMode()) {
      // An empty body still leaves the file the caller asked for.
      if (!fileOpened_) success = file_.Open() && file_.Close();
      if (success) request_.resultText = "ok";
    }
    if (!success) {
      if (FileMode()) RemoveFileIfPresent(request_.outputPath);
      request_.announcedLength = 0;
    }
    NetworkState.store(kNetworkIdle);
  }

  DownloadRequest& request_;
  SocketSeam& sockets_;
  const DownloadHooks& hooks_;
  const DownloadLimits& limits_;
  OutputFile file_;

  std::string host_;
  std::string path_;
  int32_t port_ = 0;
  uint32_t address_ = 0;
  SocketId socket_ = kNoSocket;
  uint32_t position_ = 0;
  Phase phase_ = Phase::kFirstHeader;
  std::string header_;
  int reconnects_ = 0;
  bool socketsStarted_ = false;
  bool incomplete_ = false;
  bool oldFileStayed_ = false;
  bool fileOpened_ = false;
  bool openFailed_ = false;
  bool writeFailed_ = false;
  bool closeFailed_ = false;
  bool reported_ = false;
  uint32_t lastProgressTime_ = 0;
};

}  // namespace

void RunDownload(DownloadRequest& request, SocketSeam& sockets, const DownloadHooks& hooks,
                 const DownloadLimits& limits) {
  Transfer(request, sockets, hooks, limits).Run();
}

}  // namespace orvane
