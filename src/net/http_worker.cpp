#include "net/http_worker.h"

#include <algorithm>
#include <chrono>
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

using Clock = std::chrono::steady_clock;

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
        file_(request.outputPath, request.observer),
        started_(Clock::now()),
        stallWindowStart_(started_) {}

  void Run() {
    try {
      Execute();
    } catch (...) {
      // Nothing may leave the worker's thread: it is a failed transfer.
      failed_ = true;
    }
    CloseSocket();
    Finish();
  }

 private:
  bool FileMode() const { return !request_.outputPath.empty(); }
  uint32_t BodyBytes() const { return position_ == 0 ? 0 : position_ - 1; }
  bool BodyMissing() const {
    return lengthKnown_ && BodyBytes() < static_cast<uint32_t>(request_.announcedLength);
  }

  int ElapsedMs(Clock::time_point since) const {
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - since).count();
    return static_cast<int>(std::min<long long>(ms, INT32_MAX));
  }

  // Time a text request has left; file downloads have no overall deadline.
  std::optional<int> TextTimeLeftMs() const {
    if (FileMode()) return std::nullopt;
    return std::max(0, limits_.textDeadlineMs - ElapsedMs(started_));
  }

  // A blocking wait never outlasts the text deadline.
  WaitRules Wait(int timeoutMs) const {
    if (const auto left = TextTimeLeftMs()) timeoutMs = std::min(timeoutMs, *left);
    return WaitRules{timeoutMs, limits_.stopCheckMs, &NetworkStopRequested};
  }

  // True (and the transfer failed) once the text deadline has passed or a
  // whole stall window brought too few bytes.
  bool OutOfTime() {
    const auto left = TextTimeLeftMs();
    bool out = left && *left == 0;
    if (ElapsedMs(stallWindowStart_) >= limits_.stallWindowMs) {
      out = out || stallWindowBytes_ < limits_.stallFloorBytes;
      stallWindowStart_ = Clock::now();
      stallWindowBytes_ = 0;
    }
    if (out) failed_ = true;
    return out;
  }

  // Whether the text request ran out of time in or after this wait. A wait
  // that the deadline shortened and that timed out counts, whatever the
  // clocks' rounding says about the few milliseconds left.
  bool TimedOutAtDeadline(const IoResult& result, const WaitRules& wait, int askedMs) {
    const bool cut = result.status == IoStatus::kTimedOut && wait.timeoutMs < askedMs;
    if (cut) failed_ = true;
    const bool out = OutOfTime();
    return out || cut;
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
      if (NetworkStopRequested() || HasFileError() || requests >= kMaxRequests || OutOfTime()) {
        return;
      }
    }
  }

  // One request and its answer; true when a redirection is to be followed.
  bool RunOneRequest() {
    if (!Connect(kFirstAttempt, std::nullopt)) return false;
    SetNetworkStage(kNetworkReceiving);
    request_.resultText.clear();
    request_.announcedLength = 0;
    lengthKnown_ = false;
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
    const WaitRules wait = Wait(limits_.connectTimeoutMs);
    const IoResult connected = sockets_.Connect(socket_, address_, port_, wait);
    if (connected.status != IoStatus::kDone) {
      // A stop, or a text request out of time, ends without a text.
      if (connected.status != IoStatus::kStopped &&
          !TimedOutAtDeadline(connected, wait, limits_.connectTimeoutMs)) {
        SetSocketError(prefixes.connect);
      }
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
      const WaitRules wait = Wait(limits_.receiveTimeoutMs);
      const IoResult got = sockets_.Receive(socket_, buffer.data(), buffer.size(), wait);
      if (got.status == IoStatus::kStopped) return;
      stallWindowBytes_ += got.bytes;
      if (TimedOutAtDeadline(got, wait, limits_.receiveTimeoutMs)) return;
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

  // A reset or a silence: the rest of an announced body is asked for
  // again. A body without a length can end only by a normal close, so
  // there it is a failure.
  Next HandleBreak() {
    switch (phase_) {
      case Phase::kFirstHeader:
        return Next::kLeave;  // nothing accepted yet: a failure
      case Phase::kResumeHeader:
        return Next::kReconnect;
      case Phase::kBody:
        if (!lengthKnown_) {
          failed_ = true;
          return Next::kLeave;
        }
        return BodyMissing() ? Next::kReconnect : Next::kLeave;
    }
    return Next::kLeave;
  }

  // The server closed normally. A header that came without its blank line
  // is judged as it is. A body without a length ends here, as HTTP/1.0
  // bodies do; one that is shorter than its length is resumed like a
  // broken connection.
  Next HandleClose() {
    switch (phase_) {
      case Phase::kFirstHeader: {
        if (header_.empty()) return Next::kLeave;
        const std::string header = std::move(header_);
        if (AcceptFirstHeader(header, std::string_view()) == Next::kLeave) return Next::kLeave;
        return BodyMissing() ? Next::kReconnect : Next::kLeave;
      }
      case Phase::kResumeHeader:
        return Next::kReconnect;
      case Phase::kBody:
        return BodyMissing() ? Next::kReconnect : Next::kLeave;
    }
    return Next::kLeave;
  }

  Next Reconnect() {
    CloseSocket();
    if (reconnects_ >= limits_.maxReconnects || NetworkStopRequested() || OutOfTime()) {
      failed_ = true;
      return Next::kLeave;
    }
    ++reconnects_;
    if (!Connect(kResumeAttempt, BodyBytes())) {
      failed_ = true;
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
        TakeLength(header);
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
      TakeLength(header);
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

  // A declared length holds the body to it; without one the announced
  // length is 1 and the body ends with the connection.
  void TakeLength(std::string_view header) {
    const auto declared = DeclaredLength(header);
    lengthKnown_ = declared.has_value();
    request_.announcedLength = declared.value_or(1);
  }

  Next WriteBody(std::string_view data) {
    if (data.empty()) return Next::kReceive;
    // More than the announced length: the server contradicts itself, and
    // a file that long is not the one it announced.
    if (lengthKnown_ &&
        data.size() > static_cast<uint32_t>(request_.announcedLength) - BodyBytes()) {
      failed_ = true;
      return Next::kLeave;
    }
    if (!FileMode()) {
      if (data.size() > limits_.maxTextBytes - request_.resultText.size()) {
        failed_ = true;
        return Next::kLeave;
      }
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
        request_.announcedLength > 0 && !NetworkStopRequested() && !HasFileError() && !failed_;
    if (success && FileMode()) {
      // An empty body still leaves the file the caller asked for.
      if (!fileOpened_) success = file_.Open() && file_.Close();
      if (success) request_.resultText = "ok";
    }
    if (!success) {
      // A failed text request hands back nothing: a cut-off feed is no feed.
      request_.resultText.clear();
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
  bool lengthKnown_ = false;
  Phase phase_ = Phase::kFirstHeader;
  std::string header_;
  int reconnects_ = 0;
  Clock::time_point started_;
  Clock::time_point stallWindowStart_;
  size_t stallWindowBytes_ = 0;
  bool socketsStarted_ = false;
  // Broken off, cut short, too long, too slow, or an exception.
  bool failed_ = false;
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
  try {
    Transfer(request, sockets, hooks, limits).Run();
  } catch (...) {
    // Only when even the failure could not be recorded (memory ran out).
    request.resultText.clear();
    request.announcedLength = 0;
    if (!request.outputPath.empty()) RemoveFileIfPresent(request.outputPath);
    NetworkState.store(kNetworkIdle);
  }
}

}  // namespace orvane
