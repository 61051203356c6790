#include "bcj2_decoder.h"

#include <vector>

#include "archive_error.h"

namespace orvane::archiver {
namespace {

constexpr size_t kStreamBufferSize = 1 << 16;

class BufferedStream {
 public:
  explicit BufferedStream(ByteSourcePtr source)
      : source_(std::move(source)), buffer_(kStreamBufferSize) {}
  // False at the end of the stream.
  bool Next(uint8_t* b) {
    if (pos_ == size_) {
      size_ = source_->Read(buffer_.data(), buffer_.size());
      pos_ = 0;
      if (size_ == 0) return false;
    }
    *b = buffer_[pos_++];
    return true;
  }
  uint8_t Take(const char* what) {
    uint8_t b;
    if (!Next(&b)) Fail(ErrorKind::kCorrupt, std::string("BCJ2 ") + what + " stream is truncated");
    return b;
  }
  uint32_t TakeBigEndian32(const char* what) {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v = (v << 8) | Take(what);
    return v;
  }

 private:
  ByteSourcePtr source_;
  std::vector<uint8_t> buffer_;
  size_t pos_ = 0;
  size_t size_ = 0;
};

bool IsJump(uint8_t b0, uint8_t b1) {
  return (b1 & 0xFE) == 0xE8 || (b0 == 0x0F && (b1 & 0xF0) == 0x80);
}

class Bcj2Source : public ByteSource {
 public:
  explicit Bcj2Source(std::array<ByteSourcePtr, 4> in)
      : main_(std::move(in[0])),
        call_(std::move(in[1])),
        jump_(std::move(in[2])),
        range_(std::move(in[3])) {
    probs_.fill(kTotal >> 1);
  }

  size_t Read(uint8_t* out, size_t size) override {
    if (!started_) {
      for (int i = 0; i < 5; ++i) code_ = (code_ << 8) | range_.Take("range coder");
      started_ = true;
    }
    size_t n = 0;
    while (n < size) {
      if (pending_count_ > 0) {
        out[n++] = pending_[4 - pending_count_];
        --pending_count_;
        ++position_;
        continue;
      }
      uint8_t b;
      if (!main_.Next(&b)) break;
      out[n++] = b;
      ++position_;
      if (!IsJump(previous_, b)) {
        previous_ = b;
        continue;
      }
      uint16_t* prob = b == 0xE8 ? &probs_[previous_] : b == 0xE9 ? &probs_[256] : &probs_[257];
      if (!DecodeBit(prob)) {
        previous_ = b;
        continue;
      }
      uint32_t target = b == 0xE8 ? call_.TakeBigEndian32("CALL") : jump_.TakeBigEndian32("JUMP");
      uint32_t dest = target - (static_cast<uint32_t>(position_) + 4);
      for (int i = 0; i < 4; ++i) pending_[i] = static_cast<uint8_t>(dest >> (8 * i));
      pending_count_ = 4;
      previous_ = pending_[3];
    }
    return n;
  }

 private:
  static constexpr uint32_t kTotal = 1u << 11;
  static constexpr uint32_t kTop = 1u << 24;

  bool DecodeBit(uint16_t* prob) {
    uint32_t bound = (range_value_ >> 11) * *prob;
    bool bit;
    if (code_ < bound) {
      range_value_ = bound;
      *prob = static_cast<uint16_t>(*prob + ((kTotal - *prob) >> 5));
      bit = false;
    } else {
      range_value_ -= bound;
      code_ -= bound;
      *prob = static_cast<uint16_t>(*prob - (*prob >> 5));
      bit = true;
    }
    if (range_value_ < kTop) {
      range_value_ <<= 8;
      code_ = (code_ << 8) | range_.Take("range coder");
    }
    return bit;
  }

  BufferedStream main_, call_, jump_, range_;
  std::array<uint16_t, 258> probs_;
  uint32_t range_value_ = 0xFFFFFFFFu;
  uint32_t code_ = 0;
  bool started_ = false;
  uint8_t previous_ = 0;
  uint8_t pending_[4] = {};
  int pending_count_ = 0;
  uint64_t position_ = 0;
};

}  // namespace

ByteSourcePtr MakeBcj2Decoder(std::array<ByteSourcePtr, 4> inputs) {
  return std::make_unique<Bcj2Source>(std::move(inputs));
}

}  // namespace orvane::archiver
