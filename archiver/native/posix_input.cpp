#include "posix_input.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "archiver/core/archive_error.h"

namespace orvane::archiver {

PosixFileInput::PosixFileInput(const std::string& path) {
  fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd_ < 0) Fail(ErrorKind::kReadFailed, "cannot open " + path + ": " + std::strerror(errno));
  struct stat st;
  if (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd_);
    fd_ = -1;
    Fail(ErrorKind::kReadFailed, "not a regular file: " + path);
  }
  size_ = static_cast<uint64_t>(st.st_size);
}

PosixFileInput::~PosixFileInput() {
  if (fd_ >= 0) ::close(fd_);
}

void PosixFileInput::ReadAt(uint64_t offset, uint8_t* out, size_t size) {
  if (offset > size_ || size > size_ - offset) FailCorrupt("unexpected end of archive");
  while (size > 0) {
    ssize_t n = ::pread(fd_, out, size, static_cast<off_t>(offset));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) Fail(ErrorKind::kReadFailed, "cannot read the archive");
    out += n;
    offset += static_cast<uint64_t>(n);
    size -= static_cast<size_t>(n);
  }
}

}  // namespace orvane::archiver
