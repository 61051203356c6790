#include "archive_reader.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "archive_error.h"
#include "crc32.h"
#include "header_reader.h"

namespace orvane::archiver {
namespace {

enum PropertyId : uint64_t {
  kEnd = 0x00,
  kHeader = 0x01,
  kArchiveProperties = 0x02,
  kAdditionalStreamsInfo = 0x03,
  kMainStreamsInfo = 0x04,
  kFilesInfo = 0x05,
  kPackInfo = 0x06,
  kUnpackInfo = 0x07,
  kSubStreamsInfo = 0x08,
  kSize = 0x09,
  kCrc = 0x0A,
  kFolder = 0x0B,
  kCodersUnpackSize = 0x0C,
  kNumUnpackStream = 0x0D,
  kEmptyStream = 0x0E,
  kEmptyFile = 0x0F,
  kAnti = 0x10,
  kName = 0x11,
  kMTime = 0x14,
  kAttributes = 0x15,
  kEncodedHeader = 0x17,
};

constexpr uint8_t kSignature[6] = {'7', 'z', 0xBC, 0xAF, 0x27, 0x1C};
constexpr size_t kSignatureHeaderSize = 32;
constexpr uint32_t kMaxCoderStreams = 64;
constexpr int kMaxHeaderNesting = 4;

void SkipProperty(HeaderReader& r) {
  r.Skip(r.ReadNumber());
}

std::vector<std::optional<uint32_t>> ReadDigests(HeaderReader& r, size_t count) {
  BitList defined = r.ReadOptionalBits(count);
  std::vector<std::optional<uint32_t>> digests(count);
  for (size_t i = 0; i < count; ++i)
    if (defined[i]) digests[i] = r.ReadUInt32();
  return digests;
}

// Counts that size vectors must be backed by header bytes; `bits` is the
// least an item can take.
size_t BoundedCount(HeaderReader& r, uint64_t value, size_t bits) {
  if (value > (static_cast<uint64_t>(r.Remaining()) * 8) / bits)
    FailCorrupt("a count in the header is larger than the header");
  return static_cast<size_t>(value);
}

class HeaderParser {
 public:
  HeaderParser(uint64_t archive_size) : archive_size_(archive_size) {}

  StreamsInfo ReadStreamsInfo(HeaderReader& r) {
    StreamsInfo info;
    uint64_t id = r.ReadNumber();
    if (id == kPackInfo) {
      ReadPackInfo(r, info);
      id = r.ReadNumber();
    }
    if (id == kUnpackInfo) {
      ReadUnpackInfo(r, info);
      id = r.ReadNumber();
    }
    bool have_substreams = false;
    if (id == kSubStreamsInfo) {
      ReadSubStreamsInfo(r, info);
      have_substreams = true;
      id = r.ReadNumber();
    }
    if (id != kEnd) FailCorrupt("streams info is malformed");
    if (!have_substreams) {
      for (Folder& f : info.folders) {
        f.num_substreams = 1;
        info.substream_sizes.push_back(f.UnpackSize());
        info.substream_crcs.push_back(f.unpack_crc);
      }
    }
    size_t packed = 0;
    for (Folder& f : info.folders) {
      f.first_pack_stream = packed;
      packed += f.packed_streams.size();
    }
    if (packed > info.pack_streams.size()) FailCorrupt("folders need more pack streams than exist");
    return info;
  }

  std::vector<Entry> ReadFilesInfo(HeaderReader& r, const StreamsInfo& streams) {
    uint64_t declared = r.ReadNumber();
    // Each entry has a name of at least its terminator: two header bytes.
    if (declared > r.Remaining() / 2) FailCorrupt("file count is larger than the header");
    size_t count = static_cast<size_t>(declared);
    std::vector<Entry> entries(count);
    BitList empty_stream(count, 0), empty_file, anti;
    size_t num_empty = 0;
    bool have_names = false;
    for (;;) {
      uint64_t type = r.ReadNumber();
      if (type == kEnd) break;
      HeaderReader p = r.Sub(r.ReadNumber());
      switch (type) {
        case kEmptyStream:
          empty_stream = p.ReadBits(count);
          num_empty = 0;
          for (uint8_t b : empty_stream) num_empty += b;
          empty_file.assign(num_empty, 0);
          anti.assign(num_empty, 0);
          break;
        case kEmptyFile:
          empty_file = p.ReadBits(num_empty);
          break;
        case kAnti:
          anti = p.ReadBits(num_empty);
          break;
        case kName:
          ReadNames(p, entries);
          have_names = true;
          break;
        case kMTime: {
          BitList defined = p.ReadOptionalBits(count);
          if (p.ReadByte() != 0) Fail(ErrorKind::kUnsupported, "external file times");
          for (size_t i = 0; i < count; ++i)
            if (defined[i]) entries[i].modified = p.ReadUInt64();
          break;
        }
        case kAttributes: {
          BitList defined = p.ReadOptionalBits(count);
          if (p.ReadByte() != 0) Fail(ErrorKind::kUnsupported, "external attributes");
          for (size_t i = 0; i < count; ++i)
            if (defined[i]) entries[i].attributes = p.ReadUInt32();
          break;
        }
        default:
          break;  // times we do not set, padding, start positions
      }
    }
    if (count != 0 && !have_names) FailCorrupt("entries have no names");
    empty_file.resize(num_empty, 0);
    anti.resize(num_empty, 0);

    size_t empty_index = 0, stream_index = 0, folder = 0;
    uint64_t in_folder = 0, offset = 0;
    for (size_t i = 0; i < count; ++i) {
      Entry& e = entries[i];
      if (empty_stream[i]) {
        e.is_directory = !empty_file[empty_index];
        e.is_anti = anti[empty_index];
        ++empty_index;
        continue;
      }
      while (folder < streams.folders.size() &&
             in_folder == streams.folders[folder].num_substreams) {
        ++folder;
        in_folder = 0;
        offset = 0;
      }
      if (folder == streams.folders.size() || stream_index >= streams.substream_sizes.size())
        FailCorrupt("more files than streams");
      e.has_stream = true;
      e.folder = folder;
      e.offset_in_folder = offset;
      e.size = streams.substream_sizes[stream_index];
      e.crc = streams.substream_crcs[stream_index];
      offset += e.size;
      ++in_folder;
      ++stream_index;
    }
    if (stream_index != streams.substream_sizes.size()) FailCorrupt("fewer files than streams");
    return entries;
  }

 private:
  void ReadPackInfo(HeaderReader& r, StreamsInfo& info) {
    uint64_t pack_pos = r.ReadNumber();
    size_t count = r.ReadCount(8);
    info.pack_streams.resize(count);
    for (;;) {
      uint64_t id = r.ReadNumber();
      if (id == kEnd) break;
      if (id == kSize) {
        for (PackStream& s : info.pack_streams) s.size = r.ReadNumber();
      } else if (id == kCrc) {
        ReadDigests(r, count);
      } else {
        SkipProperty(r);
      }
    }
    // Every pack stream must lie inside the archive.
    uint64_t limit = archive_size_;
    uint64_t offset = kSignatureHeaderSize;
    if (pack_pos > limit - offset) FailCorrupt("pack streams start beyond the end of the archive");
    offset += pack_pos;
    for (PackStream& s : info.pack_streams) {
      if (s.size > limit - offset) FailCorrupt("pack stream extends beyond the end of the archive");
      s.offset = offset;
      offset += s.size;
    }
  }

  void ReadUnpackInfo(HeaderReader& r, StreamsInfo& info) {
    if (r.ReadNumber() != kFolder) FailCorrupt("unpack info lacks folders");
    size_t num_folders = r.ReadCount(16);
    if (r.ReadByte() != 0) Fail(ErrorKind::kUnsupported, "external folders");
    info.folders.resize(num_folders);
    for (Folder& f : info.folders) ReadFolder(r, f);
    if (r.ReadNumber() != kCodersUnpackSize) FailCorrupt("unpack info lacks sizes");
    for (Folder& f : info.folders)
      for (uint64_t& size : f.unpack_sizes) size = r.ReadNumber();
    for (;;) {
      uint64_t id = r.ReadNumber();
      if (id == kEnd) break;
      if (id == kCrc) {
        std::vector<std::optional<uint32_t>> crcs = ReadDigests(r, num_folders);
        for (size_t i = 0; i < num_folders; ++i) info.folders[i].unpack_crc = crcs[i];
      } else {
        SkipProperty(r);
      }
    }
  }

  void ReadFolder(HeaderReader& r, Folder& f) {
    size_t num_coders = r.ReadCount(16);
    if (num_coders == 0 || num_coders > kMaxCoderStreams)
      FailCorrupt("folder has a bad coder count");
    f.coders.resize(num_coders);
    uint32_t total_in = 0, total_out = 0;
    for (CoderInfo& c : f.coders) {
      uint8_t flags = r.ReadByte();
      if (flags & 0x80) Fail(ErrorKind::kUnsupported, "alternative coder methods");
      size_t id_size = flags & 0x0F;
      if (id_size > 8) FailCorrupt("coder id is too long");
      c.method_id.assign(r.Current(), r.Current() + id_size);
      r.Skip(id_size);
      if (flags & 0x10) {
        uint64_t ins = r.ReadNumber(), outs = r.ReadNumber();
        if (ins == 0 || outs == 0 || ins > kMaxCoderStreams || outs > kMaxCoderStreams)
          FailCorrupt("coder has a bad stream count");
        c.num_in_streams = static_cast<uint32_t>(ins);
        c.num_out_streams = static_cast<uint32_t>(outs);
      }
      if (flags & 0x20) {
        uint64_t size = r.ReadNumber();
        if (size > r.Remaining()) FailCorrupt("coder properties are truncated");
        c.properties.assign(r.Current(), r.Current() + size);
        r.Skip(size);
      }
      total_in += c.num_in_streams;
      total_out += c.num_out_streams;
    }
    uint32_t num_bind_pairs = total_out - 1;
    if (total_in < num_bind_pairs) FailCorrupt("folder has more bind pairs than inputs");
    BitList in_used(total_in, 0), out_used(total_out, 0);
    f.bind_pairs.resize(num_bind_pairs);
    for (BindPair& bp : f.bind_pairs) {
      uint64_t in = r.ReadNumber(), out = r.ReadNumber();
      if (in >= total_in || out >= total_out || in_used[in] || out_used[out])
        FailCorrupt("folder has an invalid bind pair");
      in_used[in] = out_used[out] = true;
      bp.in_index = static_cast<uint32_t>(in);
      bp.out_index = static_cast<uint32_t>(out);
    }
    uint32_t num_packed = total_in - num_bind_pairs;
    if (num_packed == 0) FailCorrupt("folder has no packed stream");
    if (num_packed == 1) {
      for (uint32_t i = 0; i < total_in; ++i)
        if (!in_used[i]) f.packed_streams.push_back(i);
    } else {
      for (uint32_t k = 0; k < num_packed; ++k) {
        uint64_t in = r.ReadNumber();
        if (in >= total_in || in_used[in]) FailCorrupt("folder has an invalid packed stream");
        in_used[in] = true;
        f.packed_streams.push_back(static_cast<uint32_t>(in));
      }
    }
    if (f.packed_streams.size() != num_packed) FailCorrupt("folder has an invalid packed stream");
    for (uint32_t o = 0; o < total_out; ++o)
      if (!out_used[o]) f.main_output = o;
    f.unpack_sizes.resize(total_out);
  }

  void ReadSubStreamsInfo(HeaderReader& r, StreamsInfo& info) {
    for (Folder& f : info.folders) f.num_substreams = 1;
    uint64_t id;
    for (;;) {
      id = r.ReadNumber();
      if (id == kNumUnpackStream) {
        for (Folder& f : info.folders) f.num_substreams = r.ReadNumber();
        continue;
      }
      if (id == kCrc || id == kSize || id == kEnd) break;
      SkipProperty(r);
    }
    uint64_t total = 0;
    for (const Folder& f : info.folders) {
      // Every substream but the last of a folder has its size in the header.
      if (f.num_substreams > 1 && id != kSize) FailCorrupt("substream sizes are missing");
      if (f.num_substreams > r.Remaining() + 1)
        FailCorrupt("substream count is larger than the header");
      total += f.num_substreams;
    }
    if (total > r.Remaining() * 8 + info.folders.size())
      FailCorrupt("substream count is too large");
    for (const Folder& f : info.folders) {
      if (f.num_substreams == 0) continue;
      uint64_t sum = 0;
      for (uint64_t j = 1; j < f.num_substreams; ++j) {
        uint64_t size = r.ReadNumber();
        sum += size;
        if (sum < size || sum > f.UnpackSize()) FailCorrupt("substream sizes exceed their folder");
        info.substream_sizes.push_back(size);
      }
      info.substream_sizes.push_back(f.UnpackSize() - sum);
    }
    if (id == kSize) id = r.ReadNumber();

    // CRCs known from the folder need no digest here.
    size_t unknown = 0;
    for (const Folder& f : info.folders)
      if (!(f.num_substreams == 1 && f.unpack_crc)) unknown += f.num_substreams;
    std::vector<std::optional<uint32_t>> digests;
    for (;;) {
      if (id == kEnd) break;
      if (id == kCrc) {
        digests = ReadDigests(r, BoundedCount(r, unknown, 1));
      } else {
        SkipProperty(r);
      }
      id = r.ReadNumber();
    }
    size_t next = 0;
    for (const Folder& f : info.folders) {
      if (f.num_substreams == 1 && f.unpack_crc) {
        info.substream_crcs.push_back(f.unpack_crc);
        continue;
      }
      for (uint64_t j = 0; j < f.num_substreams; ++j, ++next)
        info.substream_crcs.push_back(next < digests.size() ? digests[next] : std::nullopt);
    }
  }

  void ReadNames(HeaderReader& p, std::vector<Entry>& entries) {
    if (p.ReadByte() != 0) Fail(ErrorKind::kUnsupported, "external file names");
    for (Entry& e : entries) {
      for (;;) {
        uint8_t lo = p.ReadByte(), hi = p.ReadByte();
        char16_t c = static_cast<char16_t>(lo | (hi << 8));
        if (c == 0) break;
        e.name.push_back(c);
      }
    }
    // A name with a NUL inside would leave bytes over.
    if (!p.AtEnd()) FailCorrupt("file names do not match the file count");
  }

  uint64_t archive_size_;
};

std::vector<uint8_t> DecodeHeader(RandomAccessInput& input, const StreamsInfo& streams,
                                  const ReaderLimits& limits) {
  if (streams.folders.empty()) FailCorrupt("encoded header has no folder");
  const Folder& folder = streams.folders[0];
  // Headers compress well, but not a thousandfold: a tiny archive cannot
  // make the reader allocate hundreds of megabytes for its header.
  uint64_t cap = std::min<uint64_t>(limits.max_header_size, input.Size() * 1024 + (1u << 20));
  if (folder.UnpackSize() > cap) FailCorrupt("encoded header is too large");
  ByteSourcePtr source = OpenFolder(input, streams, 0, limits.decode);
  // Grows with the bytes actually decoded, not with the declared size.
  std::vector<uint8_t> header;
  uint8_t chunk[1 << 14];
  for (;;) {
    size_t n = source->Read(chunk, sizeof chunk);
    if (n == 0) break;
    header.insert(header.end(), chunk, chunk + n);
  }
  if (folder.unpack_crc && Crc32(header.data(), header.size()) != *folder.unpack_crc)
    Fail(ErrorKind::kChecksum, "CRC mismatch in the decoded header");
  return header;
}

}  // namespace

bool HasSignature(const uint8_t* data, size_t size) {
  return size >= sizeof kSignature && std::memcmp(data, kSignature, sizeof kSignature) == 0;
}

ArchiveDatabase ReadArchive(RandomAccessInput& input, const ReaderLimits& limits) {
  ArchiveDatabase db;
  db.archive_size = input.Size();
  uint8_t start[kSignatureHeaderSize];
  if (db.archive_size < kSignatureHeaderSize) {
    size_t n = static_cast<size_t>(db.archive_size);
    input.ReadAt(0, start, n);
    if (n >= sizeof kSignature && HasSignature(start, n)) FailCorrupt("archive is truncated");
    Fail(ErrorKind::kNotArchive, "not a 7z archive");
  }
  input.ReadAt(0, start, sizeof start);
  if (!HasSignature(start, sizeof start)) Fail(ErrorKind::kNotArchive, "not a 7z archive");
  if (start[6] != 0) Fail(ErrorKind::kUnsupported, "7z format version is too new");
  HeaderReader sig(start + 8, 24);
  uint32_t start_crc = sig.ReadUInt32();
  if (Crc32(start + 12, 20) != start_crc)
    Fail(ErrorKind::kChecksum, "CRC mismatch in the start header");
  uint64_t next_offset = sig.ReadUInt64();
  uint64_t next_size = sig.ReadUInt64();
  uint32_t next_crc = sig.ReadUInt32();
  if (next_size == 0) return db;  // an empty archive

  uint64_t room = db.archive_size - kSignatureHeaderSize;
  if (next_offset > room || next_size > room - next_offset) FailCorrupt("archive is truncated");
  if (next_size > limits.max_header_size) FailCorrupt("header is too large");
  std::vector<uint8_t> header(static_cast<size_t>(next_size));
  input.ReadAt(kSignatureHeaderSize + next_offset, header.data(), header.size());
  if (Crc32(header.data(), header.size()) != next_crc)
    Fail(ErrorKind::kChecksum, "CRC mismatch in the header");

  HeaderParser parser(db.archive_size);
  for (int nesting = 0;; ++nesting) {
    HeaderReader r(header.data(), header.size());
    uint64_t id = r.ReadNumber();
    if (id == kHeader) {
      id = r.ReadNumber();
      if (id == kArchiveProperties) {
        for (;;) {
          if (r.ReadNumber() == kEnd) break;
          SkipProperty(r);
        }
        id = r.ReadNumber();
      }
      if (id == kAdditionalStreamsInfo) {
        parser.ReadStreamsInfo(r);
        id = r.ReadNumber();
      }
      if (id == kMainStreamsInfo) {
        db.streams = parser.ReadStreamsInfo(r);
        id = r.ReadNumber();
      }
      if (id == kFilesInfo) {
        db.entries = parser.ReadFilesInfo(r, db.streams);
        id = r.ReadNumber();
      } else if (!db.streams.substream_sizes.empty()) {
        FailCorrupt("streams without files");
      }
      if (id != kEnd) FailCorrupt("header is malformed");
      return db;
    }
    if (id != kEncodedHeader || nesting >= kMaxHeaderNesting) FailCorrupt("header is malformed");
    StreamsInfo streams = parser.ReadStreamsInfo(r);
    header = DecodeHeader(input, streams, limits);
  }
}

}  // namespace orvane::archiver
