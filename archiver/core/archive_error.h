// The one error type of the reader: a kind the callers map to their own
// result codes, and a reason a person can read.
#pragma once

#include <stdexcept>
#include <string>

namespace orvane::archiver {

enum class ErrorKind {
  kNotArchive,   // no 7z signature
  kCorrupt,      // headers or data do not make sense, truncated archive
  kChecksum,     // a CRC-32 does not match
  kUnsupported,  // a coder or feature this reader does not have
  kEncrypted,    // 7zAES: needs a password, which this reader never asks for
  kUnsafePath,   // an entry would land outside the output folder
  kNoMemory,     // a dictionary or buffer could not be allocated
  kReadFailed,   // the archive file could not be read
  kWriteFailed,  // an output file or folder could not be made or written
  kStopped,      // the caller asked to stop
};

class ArchiveError : public std::runtime_error {
 public:
  ArchiveError(ErrorKind kind, const std::string& reason)
      : std::runtime_error(reason), kind_(kind) {}
  ErrorKind kind() const { return kind_; }

 private:
  ErrorKind kind_;
};

[[noreturn]] inline void Fail(ErrorKind kind, const std::string& reason) {
  throw ArchiveError(kind, reason);
}

[[noreturn]] inline void FailCorrupt(const std::string& reason) {
  throw ArchiveError(ErrorKind::kCorrupt, reason);
}

}  // namespace orvane::archiver
