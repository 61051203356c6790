#include "archive_builder.h"

#include "archiver/core/crc32.h"

namespace orvane::archiver::testing {

void PutNumber(std::vector<uint8_t>& out, uint64_t value) {
  // Always the 9-byte form: simple and valid for any value.
  out.push_back(0xFF);
  for (int i = 0; i < 8; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

void PutName(std::vector<uint8_t>& out, const std::u16string& name) {
  for (char16_t c : name) {
    out.push_back(static_cast<uint8_t>(c));
    out.push_back(static_cast<uint8_t>(c >> 8));
  }
  out.push_back(0);
  out.push_back(0);
}

namespace {

void Put32(std::vector<uint8_t>& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

void Put64(std::vector<uint8_t>& out, uint64_t v) {
  for (int i = 0; i < 8; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

void PutBits(std::vector<uint8_t>& out, const std::vector<bool>& bits) {
  uint8_t byte = 0;
  for (size_t i = 0; i < bits.size(); ++i) {
    if (bits[i]) byte |= static_cast<uint8_t>(0x80u >> (i % 8));
    if (i % 8 == 7) {
      out.push_back(byte);
      byte = 0;
    }
  }
  if (bits.size() % 8 != 0) out.push_back(byte);
}

}  // namespace

std::vector<uint8_t> WrapHeader(const std::vector<uint8_t>& packed,
                                const std::vector<uint8_t>& header) {
  std::vector<uint8_t> out = {'7', 'z', 0xBC, 0xAF, 0x27, 0x1C, 0, 4};
  std::vector<uint8_t> start;
  Put64(start, packed.size());
  Put64(start, header.size());
  Put32(start, Crc32(header.data(), header.size()));
  Put32(out, Crc32(start.data(), start.size()));
  out.insert(out.end(), start.begin(), start.end());
  out.insert(out.end(), packed.begin(), packed.end());
  out.insert(out.end(), header.begin(), header.end());
  return out;
}

std::vector<uint8_t> BuildArchive(const std::vector<BuilderEntry>& entries,
                                  const BuilderOptions& options) {
  std::vector<uint8_t> packed;
  std::vector<const BuilderEntry*> files;
  std::vector<bool> empty_stream, empty_file;
  bool any_empty = false;
  for (const BuilderEntry& e : entries) {
    bool empty = e.directory || e.data.empty();
    empty_stream.push_back(empty);
    if (empty) {
      any_empty = true;
      empty_file.push_back(!e.directory);
    } else {
      files.push_back(&e);
      packed.insert(packed.end(), e.data.begin(), e.data.end());
    }
  }
  std::vector<uint8_t> h = {0x01};
  if (!files.empty()) {
    h.push_back(0x04);
    h.push_back(0x06);  // pack info: one stream
    PutNumber(h, 0);
    PutNumber(h, 1);
    h.push_back(0x09);
    PutNumber(h, packed.size());
    h.push_back(0x00);
    h.push_back(0x07);  // unpack info: one folder, Copy
    h.push_back(0x0B);
    PutNumber(h, 1);
    h.push_back(0x00);
    PutNumber(h, 1);    // one coder
    h.push_back(0x01);  // id size 1, simple
    h.push_back(0x00);  // Copy
    h.push_back(0x0C);
    PutNumber(h, packed.size());
    h.push_back(0x00);
    h.push_back(0x08);  // substreams: sizes and CRCs
    h.push_back(0x0D);
    PutNumber(h, files.size());
    h.push_back(0x09);
    for (size_t i = 0; i + 1 < files.size(); ++i)
      PutNumber(
          h, (i == 0 && options.override_first_size) ? options.first_size : files[i]->data.size());
    h.push_back(0x0A);
    h.push_back(0x01);
    for (const BuilderEntry* f : files) {
      uint32_t crc = Crc32(reinterpret_cast<const uint8_t*>(f->data.data()), f->data.size());
      Put32(h, options.wrong_file_crc ? crc ^ 1u : crc);
    }
    h.push_back(0x00);
    h.push_back(0x00);
  }
  h.push_back(0x05);  // files info
  PutNumber(h, entries.size());
  if (any_empty) {
    std::vector<uint8_t> bits;
    PutBits(bits, empty_stream);
    h.push_back(0x0E);
    PutNumber(h, bits.size());
    h.insert(h.end(), bits.begin(), bits.end());
    bits.clear();
    PutBits(bits, empty_file);
    h.push_back(0x0F);
    PutNumber(h, bits.size());
    h.insert(h.end(), bits.begin(), bits.end());
  }
  std::vector<uint8_t> names = {0x00};
  for (const BuilderEntry& e : entries) PutName(names, e.name);
  h.push_back(0x11);
  PutNumber(h, names.size());
  h.insert(h.end(), names.begin(), names.end());
  h.push_back(0x00);
  h.push_back(0x00);
  return WrapHeader(packed, h);
}

}  // namespace orvane::archiver::testing
