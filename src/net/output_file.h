// The file a download writes into. Writing always continues at the end of
// what was written; a server that ignores a resume makes the file start
// over (Restart). Every failure is reported, so a full disk never leaves a
// package that looks complete.
#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace orvane {

// Sees every byte a download puts into its file, in order, on the worker's
// thread: a caller can digest the file while it arrives.
class DownloadObserver {
 public:
  virtual ~DownloadObserver() = default;
  // The file was made empty (again): what was seen before is void.
  virtual void Started() = 0;
  virtual void Written(std::string_view bytes) = 0;
};

class OutputFile {
 public:
  explicit OutputFile(std::string path, DownloadObserver* observer = nullptr)
      : path_(std::move(path)), observer_(observer) {}

  bool IsOpen() const { return file_ != nullptr; }
  // Creates the file empty (replacing any file of that name).
  bool Open();
  bool Write(std::string_view data);
  // Empties the file for a response that starts the body again.
  bool Restart();
  // Flushes and closes; false when buffered data could not be written.
  bool Close();

 private:
  struct Closer {
    void operator()(std::FILE* f) const { std::fclose(f); }
  };
  std::string path_;
  DownloadObserver* observer_;
  // The stream's buffer; declared first so it outlives the stream.
  std::vector<char> buffer_;
  std::unique_ptr<std::FILE, Closer> file_;
};

bool FileExists(const std::string& path);
// True when the file is gone afterwards (also when there was none).
bool RemoveFileIfPresent(const std::string& path);

}  // namespace orvane
