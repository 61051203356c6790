// Writes small 7z archives byte by byte (plain header, Copy coder), so tests
// can make the hostile ones 7-Zip never writes: traversal names, wrong CRCs,
// impossible sizes, bind-pair cycles.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace orvane::archiver::testing {

struct BuilderEntry {
  std::u16string name;
  std::string data;
  bool directory = false;
};

struct BuilderOptions {
  bool wrong_file_crc = false;
  // Overrides the size the header gives the first file.
  bool override_first_size = false;
  uint64_t first_size = 0;
};

// One folder with a Copy coder holds every file's bytes, one after another.
std::vector<uint8_t> BuildArchive(const std::vector<BuilderEntry>& entries,
                                  const BuilderOptions& options = {});

// Any header bytes after `packed` bytes, wrapped in a signature header whose
// CRCs are right: the header's content is the test's to choose.
std::vector<uint8_t> WrapHeader(const std::vector<uint8_t>& packed,
                                const std::vector<uint8_t>& header);

// The 7z variable-length number.
void PutNumber(std::vector<uint8_t>& out, uint64_t value);
void PutName(std::vector<uint8_t>& out, const std::u16string& name);

}  // namespace orvane::archiver::testing
