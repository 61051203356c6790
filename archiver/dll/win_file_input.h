// The archive file on Windows, opened by its UTF-16 path.
#pragma once

#include <string>

#include "archiver/core/random_access_input.h"
#include "base/win/handles.h"

namespace orvane::archiver {

class WinFileInput : public RandomAccessInput {
 public:
  // Throws kReadFailed when the file cannot be opened.
  explicit WinFileInput(const std::wstring& path);
  uint64_t Size() const override { return size_; }
  void ReadAt(uint64_t offset, uint8_t* out, size_t size) override;

 private:
  UniqueFile file_;
  uint64_t size_ = 0;
  uint64_t position_ = 0;
};

}  // namespace orvane::archiver
