#include "branch_filters.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "archive_error.h"

namespace orvane::archiver {
namespace {

uint32_t Load32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

void Store32(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
  p[2] = static_cast<uint8_t>(v >> 16);
  p[3] = static_cast<uint8_t>(v >> 24);
}

bool IsX86AddressHighByte(uint8_t b) {
  return b == 0 || b == 0xFF;
}

constexpr size_t kFilterBufferSize = 1 << 16;

class BranchSource : public ByteSource {
 public:
  BranchSource(BranchFilter filter, ByteSourcePtr input, uint32_t start)
      : filter_(filter), input_(std::move(input)), buffer_(kFilterBufferSize), ip_(start) {}

  size_t Read(uint8_t* out, size_t size) override {
    while (ready_ == 0) {
      if (!Refill()) return 0;
    }
    size_t n = std::min(size, ready_);
    std::memcpy(out, buffer_.data() + start_, n);
    start_ += n;
    ready_ -= n;
    return n;
  }

 private:
  // Moves the unconverted tail to the front, reads more and converts.
  bool Refill() {
    size_t pending = end_ - start_;
    std::memmove(buffer_.data(), buffer_.data() + start_, pending);
    start_ = 0;
    end_ = pending;
    while (!eof_ && end_ < buffer_.size()) {
      size_t got = input_->Read(buffer_.data() + end_, buffer_.size() - end_);
      if (got == 0) eof_ = true;
      end_ += got;
    }
    if (end_ == 0) return false;
    size_t done = Convert(buffer_.data(), end_);
    // At the end of the stream the last few bytes stay as they are.
    if (eof_) done = end_;
    ip_ += static_cast<uint32_t>(done);
    ready_ = done;
    return true;
  }

  size_t Convert(uint8_t* data, size_t size) {
    switch (filter_) {
      case BranchFilter::kX86:
        return DecodeX86(data, size, ip_, &x86_state_);
      case BranchFilter::kArm:
        return DecodeArm(data, size, ip_);
      case BranchFilter::kArmThumb:
        return DecodeArmThumb(data, size, ip_);
      case BranchFilter::kArm64:
        return DecodeArm64(data, size, ip_);
    }
    return size;
  }

  BranchFilter filter_;
  ByteSourcePtr input_;
  std::vector<uint8_t> buffer_;
  size_t start_ = 0;  // first byte not yet handed out
  size_t ready_ = 0;  // converted bytes from start_
  size_t end_ = 0;    // end of the bytes in the buffer
  bool eof_ = false;
  uint32_t ip_;
  uint32_t x86_state_ = 0;
};

class DeltaSource : public ByteSource {
 public:
  DeltaSource(ByteSourcePtr input, unsigned distance)
      : input_(std::move(input)), distance_(distance) {}

  size_t Read(uint8_t* out, size_t size) override {
    size_t n = input_->Read(out, size);
    for (size_t i = 0; i < n; ++i) {
      uint8_t b = static_cast<uint8_t>(out[i] + history_[(position_ - distance_) & 0xFF]);
      history_[position_ & 0xFF] = b;
      out[i] = b;
      ++position_;
    }
    return n;
  }

 private:
  ByteSourcePtr input_;
  unsigned distance_;
  std::array<uint8_t, 256> history_{};
  size_t position_ = 0;
};

}  // namespace

size_t DecodeX86(uint8_t* data, size_t size, uint32_t ip, uint32_t* state) {
  static const bool kMaskToAllowed[8] = {true, true, true, false, true, false, false, false};
  static const unsigned kMaskToBitNumber[8] = {0, 1, 2, 2, 3, 3, 3, 3};
  if (size < 5) return 0;
  size_t pos = 0;
  size_t prev_pos = static_cast<size_t>(0) - 1;
  uint32_t prev_mask = *state & 7;
  ip += 5;
  for (;;) {
    uint8_t* p = data + pos;
    uint8_t* limit = data + size - 4;
    while (p < limit && (*p & 0xFE) != 0xE8) ++p;
    pos = static_cast<size_t>(p - data);
    if (p >= limit) break;
    size_t gap = pos - prev_pos;
    if (gap > 3) {
      prev_mask = 0;
    } else {
      prev_mask = (prev_mask << (gap - 1)) & 7;
      if (prev_mask != 0) {
        uint8_t b = p[4 - kMaskToBitNumber[prev_mask]];
        if (!kMaskToAllowed[prev_mask] || IsX86AddressHighByte(b)) {
          prev_pos = pos;
          prev_mask = ((prev_mask << 1) & 7) | 1;
          ++pos;
          continue;
        }
      }
    }
    prev_pos = pos;
    if (IsX86AddressHighByte(p[4])) {
      uint32_t src = (static_cast<uint32_t>(p[4]) << 24) | (static_cast<uint32_t>(p[3]) << 16) |
                     (static_cast<uint32_t>(p[2]) << 8) | p[1];
      uint32_t dest;
      for (;;) {
        dest = src - (ip + static_cast<uint32_t>(pos));
        if (prev_mask == 0) break;
        unsigned index = kMaskToBitNumber[prev_mask] * 8;
        uint8_t b = static_cast<uint8_t>(dest >> (24 - index));
        if (!IsX86AddressHighByte(b)) break;
        src = dest ^ ((1u << (32 - index)) - 1);
      }
      p[4] = static_cast<uint8_t>(~(((dest >> 24) & 1) - 1));
      p[3] = static_cast<uint8_t>(dest >> 16);
      p[2] = static_cast<uint8_t>(dest >> 8);
      p[1] = static_cast<uint8_t>(dest);
      pos += 5;
    } else {
      prev_mask = ((prev_mask << 1) & 7) | 1;
      ++pos;
    }
  }
  size_t gap = pos - prev_pos;
  *state = gap > 3 ? 0 : ((prev_mask << (gap - 1)) & 7);
  return pos;
}

size_t DecodeArm(uint8_t* data, size_t size, uint32_t ip) {
  size &= ~static_cast<size_t>(3);
  ip += 8;
  size_t i = 0;
  for (; i < size; i += 4) {
    if (data[i + 3] != 0xEB) continue;
    uint32_t src = (static_cast<uint32_t>(data[i + 2]) << 16) |
                   (static_cast<uint32_t>(data[i + 1]) << 8) | data[i];
    uint32_t dest = ((src << 2) - (ip + static_cast<uint32_t>(i))) >> 2;
    data[i + 2] = static_cast<uint8_t>(dest >> 16);
    data[i + 1] = static_cast<uint8_t>(dest >> 8);
    data[i] = static_cast<uint8_t>(dest);
  }
  return i;
}

size_t DecodeArmThumb(uint8_t* data, size_t size, uint32_t ip) {
  if (size < 4) return 0;
  size -= 4;
  ip += 4;
  size_t i = 0;
  for (; i <= size; i += 2) {
    if ((data[i + 1] & 0xF8) != 0xF0 || (data[i + 3] & 0xF8) != 0xF8) continue;
    uint32_t src = ((static_cast<uint32_t>(data[i + 1]) & 7) << 19) |
                   (static_cast<uint32_t>(data[i]) << 11) |
                   ((static_cast<uint32_t>(data[i + 3]) & 7) << 8) | data[i + 2];
    uint32_t dest = ((src << 1) - (ip + static_cast<uint32_t>(i))) >> 1;
    data[i + 1] = static_cast<uint8_t>(0xF0 | ((dest >> 19) & 7));
    data[i] = static_cast<uint8_t>(dest >> 11);
    data[i + 3] = static_cast<uint8_t>(0xF8 | ((dest >> 8) & 7));
    data[i + 2] = static_cast<uint8_t>(dest);
    i += 2;
  }
  return i;
}

size_t DecodeArm64(uint8_t* data, size_t size, uint32_t ip) {
  size_t i = 0;
  for (; i + 4 <= size; i += 4) {
    uint32_t pc = ip + static_cast<uint32_t>(i);
    uint32_t instr = Load32(data + i);
    if ((instr >> 26) == 0x25) {  // BL
      uint32_t dest = instr - (pc >> 2);
      Store32(data + i, 0x94000000u | (dest & 0x03FFFFFFu));
    } else if ((instr & 0x9F000000u) == 0x90000000u) {  // ADRP
      uint32_t src = ((instr >> 29) & 3) | ((instr >> 3) & 0x001FFFFCu);
      // Only addresses within +-512 MiB were converted.
      if (((src + 0x00020000u) & 0x001C0000u) != 0) continue;
      uint32_t dest = src - (pc >> 12);
      instr &= 0x9000001Fu;
      instr |= (dest & 3) << 29;
      instr |= (dest & 0x0003FFFCu) << 3;
      instr |= (0u - (dest & 0x00020000u)) & 0x00E00000u;
      Store32(data + i, instr);
    }
  }
  return i;
}

ByteSourcePtr MakeBranchDecoder(BranchFilter filter, ByteSourcePtr input,
                                const std::vector<uint8_t>& properties) {
  uint32_t start = 0;
  if (properties.size() == 4) {
    start = Load32(properties.data());
  } else if (!properties.empty()) {
    Fail(ErrorKind::kUnsupported, "branch filter properties are not supported");
  }
  return std::make_unique<BranchSource>(filter, std::move(input), start);
}

ByteSourcePtr MakeDeltaDecoder(ByteSourcePtr input, const std::vector<uint8_t>& properties) {
  if (properties.size() != 1) Fail(ErrorKind::kCorrupt, "Delta properties are invalid");
  return std::make_unique<DeltaSource>(std::move(input), properties[0] + 1u);
}

}  // namespace orvane::archiver
