#include "win_file_input.h"

#include <algorithm>

#include "archiver/core/archive_error.h"

namespace orvane::archiver {

WinFileInput::WinFileInput(const std::wstring& path)
    : file_(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                        FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr)) {
  if (!file_) Fail(ErrorKind::kReadFailed, "cannot open the archive");
  LARGE_INTEGER size;
  if (!GetFileSizeEx(file_.get(), &size)) Fail(ErrorKind::kReadFailed, "cannot read the archive");
  size_ = static_cast<uint64_t>(size.QuadPart);
}

void WinFileInput::ReadAt(uint64_t offset, uint8_t* out, size_t size) {
  if (offset > size_ || size > size_ - offset) FailCorrupt("unexpected end of archive");
  if (offset != position_) {
    LARGE_INTEGER to;
    to.QuadPart = static_cast<LONGLONG>(offset);
    if (!SetFilePointerEx(file_.get(), to, nullptr, FILE_BEGIN))
      Fail(ErrorKind::kReadFailed, "cannot read the archive");
    position_ = offset;
  }
  while (size > 0) {
    DWORD got = 0;
    DWORD want = static_cast<DWORD>(std::min<size_t>(size, 1u << 30));
    if (!ReadFile(file_.get(), out, want, &got, nullptr) || got == 0)
      Fail(ErrorKind::kReadFailed, "cannot read the archive");
    out += got;
    size -= got;
    position_ += got;
  }
}

}  // namespace orvane::archiver
