// The SHA-256 of a download, taken on a thread of its own while the file
// arrives, so checking its signature afterwards costs no second pass over
// the file.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>

#include "net/output_file.h"
#include "package/cng_sha256.h"

namespace orvane {

class DownloadDigest : public DownloadObserver {
 public:
  DownloadDigest();
  ~DownloadDigest() override;
  DownloadDigest(const DownloadDigest&) = delete;
  DownloadDigest& operator=(const DownloadDigest&) = delete;

  void Started() override;
  void Written(std::string_view bytes) override;

  // Once the download has ended: how many bytes came, and the last of them
  // (the signature lies within these), which are not digested yet.
  uint64_t Total() const { return total_; }
  const std::string& HeldTail() const { return tail_; }

  // The digest of the first `size` bytes; none when they are not all in
  // the stream seen, or when the digest was taken already.
  std::optional<Sha256Digest> DigestOf(uint64_t size);

 private:
  struct Job {
    bool restart = false;
    std::string bytes;
  };
  void Push(Job job);
  void Run();

  // The worker's side: written from its thread only, read once it ended.
  uint64_t total_ = 0;
  std::string tail_;

  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<Job> jobs_;
  size_t queuedBytes_ = 0;
  bool busy_ = false;
  bool stopping_ = false;
  // Made again at each start; used by the thread while jobs wait.
  std::optional<CngSha256> hash_;
  std::thread thread_;
};

}  // namespace orvane
