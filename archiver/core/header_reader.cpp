#include "header_reader.h"

#include "archive_error.h"

namespace orvane::archiver {

void HeaderReader::Need(uint64_t size) const {
  if (size > Remaining()) FailCorrupt("header is truncated");
}

uint8_t HeaderReader::ReadByte() {
  Need(1);
  return data_[pos_++];
}

uint32_t HeaderReader::ReadUInt32() {
  Need(4);
  uint32_t value = 0;
  for (int i = 0; i < 4; ++i) value |= static_cast<uint32_t>(data_[pos_ + i]) << (8 * i);
  pos_ += 4;
  return value;
}

uint64_t HeaderReader::ReadUInt64() {
  Need(8);
  uint64_t value = 0;
  for (int i = 0; i < 8; ++i) value |= static_cast<uint64_t>(data_[pos_ + i]) << (8 * i);
  pos_ += 8;
  return value;
}

uint64_t HeaderReader::ReadNumber() {
  uint8_t first = ReadByte();
  uint8_t mask = 0x80;
  uint64_t value = 0;
  for (int i = 0; i < 8; ++i) {
    if ((first & mask) == 0) {
      uint64_t high = first & (mask - 1u);
      return value | (high << (8 * i));
    }
    value |= static_cast<uint64_t>(ReadByte()) << (8 * i);
    mask >>= 1;
  }
  return value;
}

size_t HeaderReader::ReadCount(size_t min_item_bits) {
  uint64_t count = ReadNumber();
  // Each item needs at least min_item_bits of what is left of the header.
  if (min_item_bits != 0 && count > (static_cast<uint64_t>(Remaining()) * 8) / min_item_bits + 1)
    FailCorrupt("a count in the header is larger than the header");
  return static_cast<size_t>(count);
}

void HeaderReader::Skip(uint64_t size) {
  Need(size);
  pos_ += static_cast<size_t>(size);
}

BitList HeaderReader::ReadBits(size_t count) {
  Need((static_cast<uint64_t>(count) + 7) / 8);
  BitList bits(count);
  for (size_t i = 0; i < count; ++i) bits[i] = (data_[pos_ + i / 8] & (0x80u >> (i % 8))) != 0;
  pos_ += (count + 7) / 8;
  return bits;
}

BitList HeaderReader::ReadOptionalBits(size_t count) {
  if (ReadByte() != 0) return BitList(count, 1);
  return ReadBits(count);
}

HeaderReader HeaderReader::Sub(uint64_t size) {
  Need(size);
  HeaderReader sub(data_ + pos_, static_cast<size_t>(size));
  pos_ += static_cast<size_t>(size);
  return sub;
}

}  // namespace orvane::archiver
