// Writes entries below a folder on POSIX systems: UTF-8 names, Unix modes
// (or read-only), modification times. Existing files are replaced.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "archiver/core/extractor.h"

namespace orvane::archiver {

class PosixOutputTree : public OutputTree {
 public:
  explicit PosixOutputTree(std::string root);

  void MakeDirectory(const Entry& entry, const std::vector<std::u16string>& path) override;
  std::unique_ptr<OutputFile> CreateOutputFile(const Entry& entry,
                                               const std::vector<std::u16string>& path) override;
  void Finish() override;

 private:
  std::string MakeParents(const std::vector<std::u16string>& path);
  std::string root_;
  std::vector<std::pair<std::string, Entry>> directories_;
};

}  // namespace orvane::archiver
