// Bounded reading of 7z header bytes: 7z numbers, fixed-width integers,
// bit vectors. Every read is checked against the bytes that remain.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace orvane::archiver {

// One 0 or 1 a bit: std::vector<bool> brought in most of a kilobyte of
// code the archiver library has no room for.
using BitList = std::vector<uint8_t>;

class HeaderReader {
 public:
  HeaderReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}

  size_t Remaining() const { return size_ - pos_; }
  const uint8_t* Current() const { return data_ + pos_; }
  bool AtEnd() const { return pos_ == size_; }

  uint8_t ReadByte();
  uint32_t ReadUInt32();
  uint64_t ReadUInt64();
  // The 7z variable-length number: leading 1-bits of the first byte count
  // the extra bytes.
  uint64_t ReadNumber();
  // A number used as a count of items that each take at least
  // `min_item_bits` of the bytes that remain: bounds every allocation.
  size_t ReadCount(size_t min_item_bits = 8);
  void Skip(uint64_t size);
  // A bit vector of `count` bits, most significant bit first.
  BitList ReadBits(size_t count);
  // The "all defined" byte followed, when 0, by a bit vector.
  BitList ReadOptionalBits(size_t count);
  // A reader over the next `size` bytes, which this reader skips.
  HeaderReader Sub(uint64_t size);

 private:
  void Need(uint64_t size) const;
  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
};

}  // namespace orvane::archiver
