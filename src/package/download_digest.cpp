#include "package/download_digest.h"

#include <windows.h>
// After windows.h, which it needs.
#include <bcrypt.h>

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

DownloadDigest::DownloadDigest() {
  BCRYPT_ALG_HANDLE algorithm = nullptr;
  if (BCRYPT_SUCCESS(
          BCryptOpenAlgorithmProvider(&algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0))) {
    algorithm_ = algorithm;
  } else {
    failed_ = true;
  }
  thread_ = std::thread(&DownloadDigest::Run, this);
}

DownloadDigest::~DownloadDigest() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  thread_.join();
  if (hash_) BCryptDestroyHash(hash_);
  if (algorithm_) BCryptCloseAlgorithmProvider(algorithm_, 0);
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
    bool ok = true;
    if (job.restart) {
      if (hash_) BCryptDestroyHash(hash_);
      hash_ = nullptr;
      BCRYPT_HASH_HANDLE hash = nullptr;
      ok = algorithm_ &&
           BCRYPT_SUCCESS(BCryptCreateHash(algorithm_, &hash, nullptr, 0, nullptr, 0, 0));
      hash_ = hash;
    } else if (hash_) {
      ok = BCRYPT_SUCCESS(BCryptHashData(hash_, reinterpret_cast<PUCHAR>(job.bytes.data()),
                                         static_cast<ULONG>(job.bytes.size()), 0));
    }
    lock.lock();
    if (job.restart) {
      failed_ = !ok;
      finished_ = false;
    } else if (!ok) {
      failed_ = true;
    }
    queuedBytes_ -= job.bytes.size();
    busy_ = false;
    changed_.notify_all();
  }
}

std::optional<Sha256Digest> DownloadDigest::DigestOf(uint64_t size) {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [&] { return jobs_.empty() && !busy_; });
  const uint64_t digested = total_ - tail_.size();
  if (failed_ || finished_ || !hash_ || size < digested || size > total_) return std::nullopt;
  finished_ = true;
  const size_t rest = static_cast<size_t>(size - digested);
  Sha256Digest digest{};
  if (!BCRYPT_SUCCESS(BCryptHashData(hash_, reinterpret_cast<PUCHAR>(tail_.data()),
                                     static_cast<ULONG>(rest), 0)) ||
      !BCRYPT_SUCCESS(
          BCryptFinishHash(hash_, digest.data(), static_cast<ULONG>(digest.size()), 0))) {
    return std::nullopt;
  }
  return digest;
}

}  // namespace orvane
