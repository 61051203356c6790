// The only file that includes the LZMA SDK: its Types.h defines Byte, Bool,
// True and False (and pulls in <windows.h> on Win32).
#include "lzma_decoder.h"

#include <lzma/LzmaDec.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>

#include "archive_error.h"

extern "C" {
// Exported by LzmaDec.c but not declared in its header; LZMA2 needs it to
// reset the dictionary and the state between chunks.
void LzmaDec_InitDicAndState(CLzmaDec* p, Bool initDic, Bool initState);
}

namespace orvane::archiver {
namespace {

void* SdkAlloc(void*, size_t size) {
  return size == 0 ? nullptr : std::malloc(size);
}
void SdkFree(void*, void* address) {
  std::free(address);
}
ISzAlloc g_sdk_alloc = {SdkAlloc, SdkFree};

constexpr size_t kInputBufferSize = 1 << 16;
constexpr uint32_t kMinDictionary = 1 << 12;

uint32_t ClampDictionary(uint64_t declared, uint64_t output_size) {
  uint64_t size = std::min(declared, std::max<uint64_t>(output_size, kMinDictionary));
  return static_cast<uint32_t>(std::max<uint64_t>(size, kMinDictionary));
}

uint64_t DeclaredLzmaDictionary(const std::vector<uint8_t>& props) {
  if (props.size() < 5) Fail(ErrorKind::kCorrupt, "LZMA properties are too short");
  if (props[0] >= 9 * 5 * 5) Fail(ErrorKind::kCorrupt, "LZMA properties are invalid");
  return static_cast<uint64_t>(props[1]) | (static_cast<uint64_t>(props[2]) << 8) |
         (static_cast<uint64_t>(props[3]) << 16) | (static_cast<uint64_t>(props[4]) << 24);
}

uint8_t CheckedPropertiesByte(const std::vector<uint8_t>& props) {
  DeclaredLzmaDictionary(props);
  return props[0];
}

uint64_t DeclaredLzma2Dictionary(const std::vector<uint8_t>& props) {
  if (props.size() < 1 || props[0] > 40) Fail(ErrorKind::kCorrupt, "LZMA2 property is invalid");
  if (props[0] == 40) return 0xFFFFFFFFu;
  return static_cast<uint64_t>(2 | (props[0] & 1)) << (props[0] / 2 + 11);
}

// Owns a CLzmaDec and its dictionary; the dictionary is a ring that the
// decoder writes and Read() drains.
class SdkDecoder {
 public:
  SdkDecoder(uint8_t props0, uint32_t dictionary, uint64_t max_dictionary) {
    if (dictionary > max_dictionary)
      Fail(ErrorKind::kNoMemory,
           "dictionary of " + std::to_string(dictionary) + " bytes is over the limit");
    LzmaDec_Construct(&dec_);
    Byte props[LZMA_PROPS_SIZE] = {
        props0, static_cast<Byte>(dictionary), static_cast<Byte>(dictionary >> 8),
        static_cast<Byte>(dictionary >> 16), static_cast<Byte>(dictionary >> 24)};
    SRes res = LzmaDec_Allocate(&dec_, props, LZMA_PROPS_SIZE, &g_sdk_alloc);
    if (res == SZ_ERROR_MEM)
      Fail(ErrorKind::kNoMemory,
           "not enough memory for a dictionary of " + std::to_string(dictionary) + " bytes");
    if (res != SZ_OK) Fail(ErrorKind::kCorrupt, "LZMA properties are invalid");
    LzmaDec_Init(&dec_);
  }
  ~SdkDecoder() { LzmaDec_Free(&dec_, &g_sdk_alloc); }
  SdkDecoder(const SdkDecoder&) = delete;
  SdkDecoder& operator=(const SdkDecoder&) = delete;

  // Copies decoded bytes not yet handed out; 0 when there are none.
  size_t Drain(uint8_t* out, size_t size) {
    size_t n = std::min(size, static_cast<size_t>(dec_.dicPos - drained_));
    if (n != 0) {
      std::memcpy(out, dec_.dic + drained_, n);
      drained_ += n;
    }
    return n;
  }
  // Wraps the ring once everything before its end has been handed out.
  void WrapIfFull() {
    if (dec_.dicPos == dec_.dicBufSize && drained_ == dec_.dicPos) {
      dec_.dicPos = 0;
      drained_ = 0;
    }
  }
  size_t Room() const { return dec_.dicBufSize - dec_.dicPos; }

  CLzmaDec dec_;
  size_t drained_ = 0;
};

// Buffered reading of the coder's input stream.
class InputBuffer {
 public:
  explicit InputBuffer(ByteSourcePtr source)
      : source_(std::move(source)), buffer_(kInputBufferSize) {}
  size_t Available() {
    if (pos_ == size_ && !eof_) {
      pos_ = 0;
      size_ = source_->Read(buffer_.data(), buffer_.size());
      if (size_ == 0) eof_ = true;
    }
    return size_ - pos_;
  }
  const uint8_t* Data() const { return buffer_.data() + pos_; }
  void Consume(size_t n) { pos_ += n; }
  uint8_t TakeByte(const char* what) {
    if (Available() == 0) Fail(ErrorKind::kCorrupt, std::string("truncated ") + what);
    return buffer_[pos_++];
  }

 private:
  ByteSourcePtr source_;
  std::vector<uint8_t> buffer_;
  size_t pos_ = 0;
  size_t size_ = 0;
  bool eof_ = false;
};

class LzmaSource : public ByteSource {
 public:
  LzmaSource(ByteSourcePtr input, const std::vector<uint8_t>& props, uint64_t output_size,
             uint64_t max_dictionary)
      : input_(std::move(input)),
        decoder_(CheckedPropertiesByte(props),
                 ClampDictionary(DeclaredLzmaDictionary(props), output_size), max_dictionary),
        remaining_(output_size) {}

  size_t Read(uint8_t* out, size_t size) override {
    for (;;) {
      size_t n = decoder_.Drain(out, size);
      if (n != 0) return n;
      if (remaining_ == 0 || size == 0) return 0;
      decoder_.WrapIfFull();
      DecodeSome();
    }
  }

 private:
  void DecodeSome() {
    CLzmaDec& dec = decoder_.dec_;
    size_t want = static_cast<size_t>(std::min<uint64_t>(decoder_.Room(), remaining_));
    bool last = want == remaining_;
    size_t available = input_.Available();
    SizeT in_len = available;
    SizeT before = dec.dicPos;
    ELzmaStatus status;
    SRes res = LzmaDec_DecodeToDic(&dec, before + want, input_.Data(), &in_len,
                                   last ? LZMA_FINISH_END : LZMA_FINISH_ANY, &status);
    input_.Consume(in_len);
    size_t produced = dec.dicPos - before;
    remaining_ -= produced;
    if (res != SZ_OK) Fail(ErrorKind::kCorrupt, "LZMA data is corrupt");
    if (produced == 0 && in_len == 0) {
      if (status == LZMA_STATUS_FINISHED_WITH_MARK)
        Fail(ErrorKind::kCorrupt, "LZMA stream ends before its declared size");
      if (available == 0) Fail(ErrorKind::kCorrupt, "LZMA stream is truncated");
    }
  }

  InputBuffer input_;
  SdkDecoder decoder_;
  uint64_t remaining_;
};

// LZMA2: chunks of stored or LZMA data with resets, on one LZMA decoder.
class Lzma2Source : public ByteSource {
 public:
  Lzma2Source(ByteSourcePtr input, const std::vector<uint8_t>& props, uint64_t output_size,
              uint64_t max_dictionary)
      // lc=4 sizes the probabilities for any lc+lp <= 4 a chunk may set.
      : input_(std::move(input)),
        decoder_(4, ClampDictionary(DeclaredLzma2Dictionary(props), output_size), max_dictionary),
        remaining_(output_size) {}

  size_t Read(uint8_t* out, size_t size) override {
    for (;;) {
      size_t n = decoder_.Drain(out, size);
      if (n != 0) return n;
      if (remaining_ == 0 || size == 0) return 0;
      decoder_.WrapIfFull();
      if (chunk_unpacked_ == 0) StartChunk();
      if (stored_)
        CopyStored();
      else
        DecodeLzma();
    }
  }

 private:
  void StartChunk() {
    if (!stored_ && chunk_packed_ != 0)
      Fail(ErrorKind::kCorrupt, "LZMA2 chunk does not end at its packed size");
    uint8_t control = input_.TakeByte("LZMA2 stream");
    CLzmaDec& dec = decoder_.dec_;
    if (control == 0) Fail(ErrorKind::kCorrupt, "LZMA2 stream ends before its declared size");
    if (control == 1 || control == 2) {
      bool reset_dictionary = control == 1;
      if (!reset_dictionary && need_dictionary_reset_)
        Fail(ErrorKind::kCorrupt, "LZMA2 stream does not start with a dictionary reset");
      if (reset_dictionary) need_properties_ = need_state_reset_ = true;
      need_dictionary_reset_ = false;
      chunk_unpacked_ = ReadBigEndian16() + 1u;
      chunk_packed_ = 0;
      stored_ = true;
      LzmaDec_InitDicAndState(&dec, reset_dictionary ? 1 : 0, 0);
      return;
    }
    if (control < 0x80) Fail(ErrorKind::kCorrupt, "LZMA2 control byte is invalid");
    unsigned mode = (control >> 5) & 3;
    bool reset_dictionary = mode == 3;
    bool reset_state = mode > 0;
    chunk_unpacked_ = ((static_cast<uint32_t>(control & 0x1F) << 16) | ReadBigEndian16()) + 1u;
    chunk_packed_ = ReadBigEndian16() + 1u;
    if (mode >= 2) {
      uint8_t p = input_.TakeByte("LZMA2 properties");
      unsigned lc = p % 9;
      p /= 9;
      unsigned lp = p % 5;
      unsigned pb = p / 5;
      if (pb > 4 || lc + lp > 4) Fail(ErrorKind::kCorrupt, "LZMA2 chunk properties are invalid");
      dec.prop.lc = lc;
      dec.prop.lp = lp;
      dec.prop.pb = pb;
      need_properties_ = false;
    }
    if ((!reset_dictionary && need_dictionary_reset_) || (mode < 2 && need_properties_) ||
        (!reset_state && need_state_reset_))
      Fail(ErrorKind::kCorrupt, "LZMA2 chunk lacks a required reset");
    need_dictionary_reset_ = need_state_reset_ = false;
    stored_ = false;
    LzmaDec_InitDicAndState(&dec, reset_dictionary ? 1 : 0, reset_state ? 1 : 0);
  }

  uint32_t ReadBigEndian16() {
    uint32_t high = input_.TakeByte("LZMA2 chunk header");
    return (high << 8) | input_.TakeByte("LZMA2 chunk header");
  }

  size_t ChunkStep() const {
    return static_cast<size_t>(std::min<uint64_t>({decoder_.Room(), chunk_unpacked_, remaining_}));
  }

  void CopyStored() {
    CLzmaDec& dec = decoder_.dec_;
    size_t want = ChunkStep();
    size_t available = input_.Available();
    if (available == 0) Fail(ErrorKind::kCorrupt, "LZMA2 stored chunk is truncated");
    size_t n = std::min(want, available);
    std::memcpy(dec.dic + dec.dicPos, input_.Data(), n);
    input_.Consume(n);
    // What LzmaDec does for uncompressed data: keeps the distance check right.
    if (dec.checkDicSize == 0 && dec.prop.dicSize - dec.processedPos <= n)
      dec.checkDicSize = dec.prop.dicSize;
    dec.processedPos += static_cast<UInt32>(n);
    dec.dicPos += n;
    chunk_unpacked_ -= static_cast<uint32_t>(n);
    remaining_ -= n;
  }

  void DecodeLzma() {
    CLzmaDec& dec = decoder_.dec_;
    size_t want = ChunkStep();
    bool chunk_end = want == chunk_unpacked_;
    size_t available = std::min<size_t>(input_.Available(), chunk_packed_);
    SizeT in_len = available;
    SizeT before = dec.dicPos;
    ELzmaStatus status;
    SRes res = LzmaDec_DecodeToDic(&dec, before + want, input_.Data(), &in_len,
                                   chunk_end ? LZMA_FINISH_END : LZMA_FINISH_ANY, &status);
    input_.Consume(in_len);
    chunk_packed_ -= static_cast<uint32_t>(in_len);
    size_t produced = dec.dicPos - before;
    chunk_unpacked_ -= static_cast<uint32_t>(produced);
    remaining_ -= produced;
    if (res != SZ_OK || status == LZMA_STATUS_FINISHED_WITH_MARK)
      Fail(ErrorKind::kCorrupt, "LZMA2 data is corrupt");
    if (produced == 0 && in_len == 0) Fail(ErrorKind::kCorrupt, "LZMA2 chunk is truncated");
  }

  InputBuffer input_;
  SdkDecoder decoder_;
  uint64_t remaining_;
  uint32_t chunk_unpacked_ = 0;
  uint32_t chunk_packed_ = 0;
  bool stored_ = true;
  bool need_dictionary_reset_ = true;
  bool need_properties_ = true;
  bool need_state_reset_ = true;
};

}  // namespace

uint64_t LzmaDictionarySize(const std::vector<uint8_t>& properties, uint64_t output_size) {
  return ClampDictionary(DeclaredLzmaDictionary(properties), output_size);
}

uint64_t Lzma2DictionarySize(const std::vector<uint8_t>& properties, uint64_t output_size) {
  return ClampDictionary(DeclaredLzma2Dictionary(properties), output_size);
}

ByteSourcePtr MakeLzmaDecoder(ByteSourcePtr input, const std::vector<uint8_t>& properties,
                              uint64_t output_size, uint64_t max_dictionary) {
  return std::make_unique<LzmaSource>(std::move(input), properties, output_size, max_dictionary);
}

ByteSourcePtr MakeLzma2Decoder(ByteSourcePtr input, const std::vector<uint8_t>& properties,
                               uint64_t output_size, uint64_t max_dictionary) {
  return std::make_unique<Lzma2Source>(std::move(input), properties, output_size, max_dictionary);
}

}  // namespace orvane::archiver
