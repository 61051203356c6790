// Writes entries below a folder with the wide-character file calls, so
// names in any script work whatever the code page. Existing files, even
// read-only ones, are replaced; attributes and times come from the archive.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "archiver/core/extractor.h"

namespace orvane::archiver {

class WinOutputTree : public OutputTree {
 public:
  // `root` is made (with its parents) when missing.
  explicit WinOutputTree(std::wstring root);

  void MakeDirectory(const Entry& entry, const std::vector<std::u16string>& path) override;
  std::unique_ptr<OutputFile> CreateOutputFile(const Entry& entry,
                                               const std::vector<std::u16string>& path) override;
  void Finish() override;

  // The full path an entry is written to.
  std::wstring PathOf(const std::vector<std::u16string>& path) const;

 private:
  std::wstring MakeParents(const std::vector<std::u16string>& path);
  std::wstring root_;  // ends in "\"
  std::vector<std::pair<std::wstring, Entry>> directories_;
};

}  // namespace orvane::archiver
