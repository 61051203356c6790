// Helpers of the archiver tests: temporary folders, reading a whole tree
// for comparison, running a shell command.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace orvane::archiver::testing {

// A fresh folder removed with its contents at the end of the test.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& path() const { return path_; }
  std::string str() const { return path_.string(); }

 private:
  std::filesystem::path path_;
};

struct TreeItem {
  bool directory = false;
  std::string content;
  bool owner_writable = true;
  int64_t modified = 0;  // seconds since 1970
  bool operator==(const TreeItem&) const = default;
};

// Every file and folder below `root`, by relative path.
std::map<std::string, TreeItem> ReadTree(const std::filesystem::path& root);

// UTF-8 text from a u8 literal: plain literals are GBK in this build.
inline std::string Utf8(const char8_t* text) {
  return reinterpret_cast<const char*>(text);
}

// Runs a shell command; returns its exit status.
int RunShell(const std::string& command);
std::string Quote(const std::string& text);
std::string ReadFile(const std::filesystem::path& path);
std::vector<uint8_t> ReadBytes(const std::filesystem::path& path);
void WriteBytes(const std::filesystem::path& path, const std::vector<uint8_t>& bytes);

}  // namespace orvane::archiver::testing
