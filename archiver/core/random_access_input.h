// The archive file as the reader sees it: a size and reads at offsets.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace orvane::archiver {

class RandomAccessInput {
 public:
  virtual ~RandomAccessInput() = default;
  virtual uint64_t Size() const = 0;
  // Reads exactly `size` bytes at `offset`; throws when that is impossible.
  virtual void ReadAt(uint64_t offset, uint8_t* out, size_t size) = 0;
};

// An archive held in memory (tests, the fuzzer, decoded headers).
class MemoryInput : public RandomAccessInput {
 public:
  MemoryInput(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  uint64_t Size() const override { return size_; }
  void ReadAt(uint64_t offset, uint8_t* out, size_t size) override;

 private:
  const uint8_t* data_;
  size_t size_;
};

}  // namespace orvane::archiver
