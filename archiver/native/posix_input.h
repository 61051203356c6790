// The archive file on POSIX systems, read with pread.
#pragma once

#include <string>

#include "archiver/core/random_access_input.h"

namespace orvane::archiver {

class PosixFileInput : public RandomAccessInput {
 public:
  // Throws kReadFailed when the file cannot be opened.
  explicit PosixFileInput(const std::string& path);
  ~PosixFileInput() override;
  PosixFileInput(const PosixFileInput&) = delete;
  PosixFileInput& operator=(const PosixFileInput&) = delete;

  uint64_t Size() const override { return size_; }
  void ReadAt(uint64_t offset, uint8_t* out, size_t size) override;

 private:
  int fd_ = -1;
  uint64_t size_ = 0;
};

}  // namespace orvane::archiver
