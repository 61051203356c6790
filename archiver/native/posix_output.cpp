#include "posix_output.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "archiver/core/archive_error.h"
#include "archiver/core/utf.h"

namespace orvane::archiver {
namespace {

// 100 ns ticks between 1601-01-01 and 1970-01-01.
constexpr uint64_t kUnixEpochInFileTime = 116444736000000000ull;

[[noreturn]] void WriteFailed(const std::string& what, const std::string& path) {
  Fail(ErrorKind::kWriteFailed, what + " " + path + ": " + std::strerror(errno));
}

mode_t ModeFor(const Entry& entry, mode_t fallback) {
  mode_t mode = fallback;
  if (auto unix_mode = entry.UnixMode()) mode = static_cast<mode_t>(*unix_mode & 0777);
  if (entry.IsReadOnly()) mode &= ~static_cast<mode_t>(0222);
  return mode;
}

// Access time left alone, modification time from the archive; false when
// the archive gives none a POSIX clock can hold.
bool ModificationTimes(const Entry& entry, struct timespec times[2]) {
  if (!entry.modified || *entry.modified < kUnixEpochInFileTime) return false;
  uint64_t ticks = *entry.modified - kUnixEpochInFileTime;
  times[0].tv_sec = 0;
  times[0].tv_nsec = UTIME_OMIT;
  times[1].tv_sec = static_cast<time_t>(ticks / 10000000);
  times[1].tv_nsec = static_cast<long>((ticks % 10000000) * 100);
  return true;
}

void EnsureDirectory(const std::string& path) {
  struct stat st;
  if (::lstat(path.c_str(), &st) == 0) {
    if (S_ISDIR(st.st_mode)) return;
    // A file or link where a folder belongs: replace it, never follow it.
    if (::unlink(path.c_str()) != 0) WriteFailed("cannot replace", path);
  }
  if (::mkdir(path.c_str(), 0755) != 0 && errno != EEXIST) WriteFailed("cannot make folder", path);
}

class PosixOutputFile : public OutputFile {
 public:
  PosixOutputFile(std::string path, const Entry& entry) : path_(std::move(path)), entry_(entry) {
    struct stat st;
    if (::lstat(path_.c_str(), &st) == 0 && !S_ISDIR(st.st_mode)) ::unlink(path_.c_str());
    fd_ = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd_ < 0) WriteFailed("cannot create", path_);
  }
  ~PosixOutputFile() override {
    if (fd_ >= 0) ::close(fd_);
  }
  void Write(const uint8_t* data, size_t size) override {
    while (size > 0) {
      ssize_t n = ::write(fd_, data, size);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) WriteFailed("cannot write", path_);
      data += n;
      size -= static_cast<size_t>(n);
    }
  }
  void Commit() override {
    ::fchmod(fd_, ModeFor(entry_, 0644));
    struct timespec times[2];
    if (ModificationTimes(entry_, times)) ::futimens(fd_, times);
    int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) WriteFailed("cannot write", path_);
  }
  void Discard() override {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    ::unlink(path_.c_str());
  }

 private:
  std::string path_;
  Entry entry_;
  int fd_ = -1;
};

}  // namespace

PosixOutputTree::PosixOutputTree(std::string root) : root_(std::move(root)) {
  while (root_.size() > 1 && root_.back() == '/') root_.pop_back();
  if (root_.empty()) root_ = ".";
  // Make the output folder and its parents.
  for (size_t slash = root_.find('/', 1); slash != std::string::npos;
       slash = root_.find('/', slash + 1))
    ::mkdir(root_.substr(0, slash).c_str(), 0755);
  if (::mkdir(root_.c_str(), 0755) != 0 && errno != EEXIST)
    WriteFailed("cannot make folder", root_);
}

std::string PosixOutputTree::MakeParents(const std::vector<std::u16string>& path) {
  std::string current = root_;
  for (size_t i = 0; i + 1 < path.size(); ++i) {
    current += '/';
    current += Utf16ToUtf8(path[i]);
    EnsureDirectory(current);
  }
  return current + '/' + Utf16ToUtf8(path.back());
}

void PosixOutputTree::MakeDirectory(const Entry& entry, const std::vector<std::u16string>& path) {
  std::string full = MakeParents(path);
  EnsureDirectory(full);
  directories_.emplace_back(full, entry);
}

std::unique_ptr<OutputFile> PosixOutputTree::CreateOutputFile(
    const Entry& entry, const std::vector<std::u16string>& path) {
  return std::make_unique<PosixOutputFile>(MakeParents(path), entry);
}

void PosixOutputTree::Finish() {
  // Folder times go last, as writing files into a folder changes its time;
  // the owner keeps write access so the tree can be removed again.
  for (auto it = directories_.rbegin(); it != directories_.rend(); ++it) {
    if (it->second.UnixMode()) ::chmod(it->first.c_str(), ModeFor(it->second, 0755) | 0700);
    struct timespec times[2];
    if (ModificationTimes(it->second, times))
      ::utimensat(AT_FDCWD, it->first.c_str(), times, AT_SYMLINK_NOFOLLOW);
  }
}

}  // namespace orvane::archiver
