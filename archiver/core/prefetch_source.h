// Decoding on a thread of its own, ahead of the reader: the reader's work
// with the bytes (checksums, writing files) and the decoding of the next
// folder then overlap the decoding of the current one.
#pragma once

#include <cstddef>
#include <functional>
#include <mutex>
#include <vector>

#include "byte_source.h"
#include "random_access_input.h"

namespace orvane::archiver {

// The chunks the prefetching sources of one extraction share. A chunk the
// reader is done with serves again, in the same folder or the next one:
// fresh memory costs the system a fault for every page of it, and an
// extraction would otherwise take fresh memory for nearly all its bytes.
class ChunkPool {
 public:
  std::vector<uint8_t> Take();
  void Give(std::vector<uint8_t> chunk);

 private:
  std::mutex mutex_;
  std::vector<std::vector<uint8_t>> chunks_;
};

// Runs `open` and then reads the source it gives on a new thread, keeping
// at most `ahead` bytes (rounded up to a chunk) waiting for the reader.
// The reader gets the same bytes, and then the same error, as it would
// from the source itself. Destroying it stops the thread after at most one
// chunk. `pool` outlives the source.
ByteSourcePtr MakePrefetchingSource(std::function<ByteSourcePtr()> open, size_t ahead,
                                    ChunkPool& pool);

// An input that several decoding threads may read at once.
class LockedInput : public RandomAccessInput {
 public:
  explicit LockedInput(RandomAccessInput& input) : input_(input) {}
  uint64_t Size() const override { return input_.Size(); }
  void ReadAt(uint64_t offset, uint8_t* out, size_t size) override {
    std::lock_guard<std::mutex> lock(mutex_);
    input_.ReadAt(offset, out, size);
  }

 private:
  RandomAccessInput& input_;
  std::mutex mutex_;
};

}  // namespace orvane::archiver
