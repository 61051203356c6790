// Drives an extraction: checks every entry and every coder before anything
// is written, then decodes folder after folder into an output tree,
// checking each file's CRC.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "archive_model.h"
#include "folder_decoder.h"
#include "random_access_input.h"

namespace orvane::archiver {

class OutputFile {
 public:
  virtual ~OutputFile() = default;
  virtual void Write(const uint8_t* data, size_t size) = 0;
  // The file is complete and correct: close it, set its time and attributes.
  virtual void Commit() = 0;
  // The file is incomplete or wrong: close and remove it.
  virtual void Discard() = 0;
};

// Where entries go; `path` holds the checked components of the entry name.
class OutputTree {
 public:
  virtual ~OutputTree() = default;
  virtual void MakeDirectory(const Entry& entry, const std::vector<std::u16string>& path) = 0;
  virtual std::unique_ptr<OutputFile> CreateOutputFile(const Entry& entry,
                                                       const std::vector<std::u16string>& path) = 0;
  // Called once after every entry is written (folder times and attributes).
  virtual void Finish() {}
};

// Told about each file; answering false stops the extraction (kStopped).
class ExtractObserver {
 public:
  virtual ~ExtractObserver() = default;
  virtual bool FileBegins(const Entry& entry) = 0;
  virtual bool FileProgress(const Entry& entry, uint64_t written) = 0;
};

// Extracts every entry into `tree`; with no tree, only decodes and checks
// (test mode). Throws ArchiveError on the first failure.
void ExtractAll(RandomAccessInput& input, const ArchiveDatabase& db, OutputTree* tree,
                ExtractObserver* observer, const DecodeLimits& limits = {});

}  // namespace orvane::archiver
