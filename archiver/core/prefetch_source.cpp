#include "prefetch_source.h"

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <exception>
#include <thread>
#include <vector>

namespace orvane::archiver {
namespace {

constexpr size_t kChunkSize = 1 << 20;

class PrefetchingSource : public ByteSource {
 public:
  PrefetchingSource(std::function<ByteSourcePtr()> open, size_t ahead, ChunkPool& pool)
      : ahead_(ahead), pool_(pool), thread_([this, open = std::move(open)] { Produce(open); }) {}

  ~PrefetchingSource() override {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      stop_ = true;
    }
    changed_.notify_all();
    thread_.join();
    for (std::vector<uint8_t>& chunk : chunks_) pool_.Give(std::move(chunk));
  }

  size_t Read(uint8_t* out, size_t size) override {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return !chunks_.empty() || done_; });
    if (chunks_.empty()) {
      if (error_) std::rethrow_exception(error_);
      return 0;
    }
    const std::vector<uint8_t>& chunk = chunks_.front();
    const size_t n = std::min(size, chunk.size() - offset_);
    std::memcpy(out, chunk.data() + offset_, n);
    offset_ += n;
    if (offset_ == chunk.size()) {
      buffered_ -= chunk.size();
      pool_.Give(std::move(chunks_.front()));
      chunks_.pop_front();
      offset_ = 0;
      changed_.notify_all();
    }
    return n;
  }

 private:
  void Produce(const std::function<ByteSourcePtr()>& open) {
    try {
      ByteSourcePtr source = open();
      for (;;) {
        std::vector<uint8_t> chunk = pool_.Take();
        size_t filled = 0;
        while (filled < chunk.size()) {
          const size_t n = source->Read(chunk.data() + filled, chunk.size() - filled);
          if (n == 0) break;
          filled += n;
        }
        if (filled == 0) break;
        chunk.resize(filled);
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [this] { return stop_ || buffered_ < ahead_; });
        if (stop_) return;
        buffered_ += chunk.size();
        chunks_.push_back(std::move(chunk));
        changed_.notify_all();
        if (filled < kChunkSize) break;
      }
    } catch (...) {
      std::lock_guard<std::mutex> lock(mutex_);
      error_ = std::current_exception();
    }
    std::lock_guard<std::mutex> lock(mutex_);
    done_ = true;
    changed_.notify_all();
  }

  const size_t ahead_;
  std::mutex mutex_;
  std::condition_variable changed_;
  ChunkPool& pool_;
  std::deque<std::vector<uint8_t>> chunks_;
  size_t offset_ = 0;    // into the front chunk
  size_t buffered_ = 0;  // bytes in chunks_
  bool done_ = false;
  bool stop_ = false;
  std::exception_ptr error_;
  std::thread thread_;  // last: it starts once everything above exists
};

}  // namespace

std::vector<uint8_t> ChunkPool::Take() {
  std::vector<uint8_t> chunk;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!chunks_.empty()) {
      chunk = std::move(chunks_.back());
      chunks_.pop_back();
    }
  }
  chunk.resize(kChunkSize);
  return chunk;
}

void ChunkPool::Give(std::vector<uint8_t> chunk) {
  std::lock_guard<std::mutex> lock(mutex_);
  chunks_.push_back(std::move(chunk));
}

ByteSourcePtr MakePrefetchingSource(std::function<ByteSourcePtr()> open, size_t ahead,
                                    ChunkPool& pool) {
  return std::make_unique<PrefetchingSource>(std::move(open), ahead, pool);
}

}  // namespace orvane::archiver
