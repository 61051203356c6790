#include "package/download_digest.h"

namespace orvane {

namespace {

// Kept back from the digest: more than the signature line or trailer, so
// the digest can stop where the signature begins.
constexpr size_t kHeldBytes = 4096;
// Handed to the thread in pieces of about this size...
constexpr size_t kJobBytes = 1 << 20;
// ...and no more than this waiting: a download faster than the digest
// waits for it rather than filling memory.
constexpr size_t kMaxQueuedBytes = 32 << 20;

}  // namespace

DownloadDigest::DownloadDigest() : thread_(&DownloadDigest::Run, this) {}

DownloadDigest::~DownloadDigest() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  thread_.join();
}

void DownloadDigest::Started() {
  total_ = 0;
  tail_.clear();
  Push(Job{true, {}});
}

void DownloadDigest::Written(std::string_view bytes) {
  total_ += bytes.size();
  tail_.append(bytes);
  if (tail_.size() < kHeldBytes + kJobBytes) return;
  const size_t handOver = tail_.size() - kHeldBytes;
  Push(Job{false, tail_.substr(0, handOver)});
  tail_.erase(0, handOver);
}

void DownloadDigest::Push(Job job) {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [&] { return queuedBytes_ < kMaxQueuedBytes || stopping_; });
  queuedBytes_ += job.bytes.size();
  jobs_.push_back(std::move(job));
  changed_.notify_all();
}

void DownloadDigest::Run() {
  std::unique_lock lock(mutex_);
  for (;;) {
    changed_.wait(lock, [&] { return !jobs_.empty() || stopping_; });
    if (stopping_) return;
    Job job = std::move(jobs_.front());
    jobs_.pop_front();
    busy_ = true;
    lock.unlock();
    if (job.restart) {
      hash_.reset();
      hash_.emplace();
    } else if (hash_) {
      hash_->Add(job.bytes.data(), job.bytes.size());
    }
    lock.lock();
    queuedBytes_ -= job.bytes.size();
    busy_ = false;
    changed_.notify_all();
  }
}

std::optional<Sha256Digest> DownloadDigest::DigestOf(uint64_t size) {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [&] { return jobs_.empty() && !busy_; });
  const uint64_t digested = total_ - tail_.size();
  if (!hash_ || size < digested || size > total_) return std::nullopt;
  // Finish() refuses a second time, and a digest that failed on the way.
  if (!hash_->Add(tail_.data(), static_cast<size_t>(size - digested))) return std::nullopt;
  return hash_->Finish();
}

}  // namespace orvane
