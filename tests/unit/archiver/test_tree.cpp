#include "test_tree.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace orvane::archiver::testing {

namespace fs = std::filesystem;

TempDir::TempDir() {
  static std::atomic<int> counter{0};
  path_ = fs::temp_directory_path() /
          ("orvane-archiver-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
  fs::remove_all(path_);
  fs::create_directories(path_);
}

TempDir::~TempDir() {
  // Read-only folders from an archive must not keep their contents alive.
  std::error_code ec;
  for (auto it = fs::recursive_directory_iterator(path_, ec);
       it != fs::recursive_directory_iterator(); it.increment(ec))
    if (it->is_directory(ec)) ::chmod(it->path().c_str(), 0755);
  fs::remove_all(path_, ec);
}

std::map<std::string, TreeItem> ReadTree(const fs::path& root) {
  std::map<std::string, TreeItem> tree;
  for (const auto& e : fs::recursive_directory_iterator(root)) {
    struct stat st;
    if (::lstat(e.path().c_str(), &st) != 0)
      throw std::runtime_error("cannot stat " + e.path().string());
    TreeItem item;
    item.directory = S_ISDIR(st.st_mode);
    if (!item.directory) {
      item.content = ReadFile(e.path());
      item.owner_writable = (st.st_mode & S_IWUSR) != 0;
      item.modified = st.st_mtime;
    }
    tree[fs::relative(e.path(), root).string()] = item;
  }
  return tree;
}

int RunShell(const std::string& command) {
  int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string Quote(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

std::vector<uint8_t> ReadBytes(const fs::path& path) {
  std::string s = ReadFile(path);
  return std::vector<uint8_t>(s.begin(), s.end());
}

void WriteBytes(const fs::path& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

}  // namespace orvane::archiver::testing
