#include "net/output_file.h"

namespace orvane {

namespace {
// Large writes keep the number of system calls low: one a received block.
constexpr size_t kWriteBufferBytes = 256 * 1024;
}  // namespace

bool OutputFile::Open() {
  file_.reset(std::fopen(path_.c_str(), "wb"));
  if (!file_) return false;
  // The library ignores the size when it allocates the buffer itself.
  buffer_.resize(kWriteBufferBytes);
  std::setvbuf(file_.get(), buffer_.data(), _IOFBF, buffer_.size());
  if (observer_) observer_->Started();
  return true;
}

bool OutputFile::Write(std::string_view data) {
  if (!file_) return false;
  if (std::fwrite(data.data(), 1, data.size(), file_.get()) != data.size()) return false;
  if (observer_) observer_->Written(data);
  return true;
}

bool OutputFile::Restart() {
  if (!file_) return true;
  const bool flushed = Close();
  return Open() && flushed;
}

bool OutputFile::Close() {
  if (!file_) return true;
  const bool flushed = std::fflush(file_.get()) == 0 && std::ferror(file_.get()) == 0;
  std::FILE* raw = file_.release();
  return std::fclose(raw) == 0 && flushed;
}

bool FileExists(const std::string& path) {
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> probe(std::fopen(path.c_str(), "rb"),
                                                        &std::fclose);
  return probe != nullptr;
}

bool RemoveFileIfPresent(const std::string& path) {
  if (!FileExists(path)) return true;
  return std::remove(path.c_str()) == 0 || !FileExists(path);
}

}  // namespace orvane
