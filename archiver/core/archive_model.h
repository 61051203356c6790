// What the headers of a 7z archive describe: pack streams, folders (coder
// graphs with bind pairs) and the entries that come out of them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace orvane::archiver {

struct CoderInfo {
  std::vector<uint8_t> method_id;
  uint32_t num_in_streams = 1;
  uint32_t num_out_streams = 1;
  std::vector<uint8_t> properties;
};

// Folder input stream `in_index` takes its bytes from coder output `out_index`.
struct BindPair {
  uint32_t in_index = 0;
  uint32_t out_index = 0;
};

struct Folder {
  std::vector<CoderInfo> coders;
  std::vector<BindPair> bind_pairs;
  // For each pack stream of the folder, the folder input stream it feeds.
  std::vector<uint32_t> packed_streams;
  // One size per coder output stream, in coder order.
  std::vector<uint64_t> unpack_sizes;
  std::optional<uint32_t> unpack_crc;
  // Index of the folder's first pack stream in the archive's pack list.
  size_t first_pack_stream = 0;
  // The coder output that no bind pair consumes: the folder's result.
  uint32_t main_output = 0;
  // Files (substreams) stored in the folder.
  uint64_t num_substreams = 1;

  uint64_t UnpackSize() const { return unpack_sizes[main_output]; }
};

struct PackStream {
  uint64_t offset = 0;  // absolute position in the archive file
  uint64_t size = 0;
};

struct StreamsInfo {
  std::vector<PackStream> pack_streams;
  std::vector<Folder> folders;
  // Every substream of every folder, folder after folder.
  std::vector<uint64_t> substream_sizes;
  std::vector<std::optional<uint32_t>> substream_crcs;
};

struct Entry {
  std::u16string name;
  bool has_stream = false;
  bool is_directory = false;
  bool is_anti = false;
  uint64_t size = 0;
  std::optional<uint32_t> crc;
  std::optional<uint32_t> attributes;  // raw: Windows bits, Unix mode above 0x8000
  std::optional<uint64_t> modified;    // FILETIME: 100 ns ticks since 1601
  // Where the bytes come from (meaningful when has_stream).
  size_t folder = 0;
  uint64_t offset_in_folder = 0;

  // The Windows attribute bits, without the Unix extension.
  uint32_t WindowsAttributes() const { return attributes ? (*attributes & 0x7FFFu) : 0; }
  std::optional<uint32_t> UnixMode() const {
    if (attributes && (*attributes & 0x8000u) != 0) return *attributes >> 16;
    return std::nullopt;
  }
  bool IsReadOnly() const { return (WindowsAttributes() & 1u) != 0; }
};

struct ArchiveDatabase {
  StreamsInfo streams;
  std::vector<Entry> entries;
  // Entries in the order their bytes are decoded (folders in order).
  uint64_t archive_size = 0;
};

}  // namespace orvane::archiver
