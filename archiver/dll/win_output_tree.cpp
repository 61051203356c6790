#include "win_output_tree.h"

#include <windows.h>

#include "archiver/core/archive_error.h"
#include "archiver/core/utf.h"
#include "archiver/dll/ansi_text.h"
#include "base/win/handles.h"

namespace orvane::archiver {
namespace {

// The attribute bits an extracted file may take over from the archive.
constexpr DWORD kSettableAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                                      FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                                      FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
// Attributes under which CreateFile refuses to replace a file.
constexpr DWORD kRefusingAttributes =
    FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;

[[noreturn]] void WriteFailed(const char* what, const std::wstring& path) {
  Fail(ErrorKind::kWriteFailed, std::string(what) + " " + WideToAnsi(path) + " (error " +
                                    std::to_string(GetLastError()) + ")");
}

void EnsureDirectory(const std::wstring& path) {
  DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) return;
  if (!CreateDirectoryW(path.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
    WriteFailed("cannot make folder", path);
}

FILETIME ToFileTime(uint64_t ticks) {
  FILETIME time;
  time.dwLowDateTime = static_cast<DWORD>(ticks);
  time.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
  return time;
}

class WinOutputFile : public OutputFile {
 public:
  WinOutputFile(std::wstring path, const Entry& entry) : path_(std::move(path)), entry_(entry) {
    // A read-only, hidden or system file of the same name is replaced like
    // any other; the new file takes the archive's attributes.
    DWORD existing = GetFileAttributesW(path_.c_str());
    if (existing != INVALID_FILE_ATTRIBUTES && (existing & kRefusingAttributes))
      SetFileAttributesW(path_.c_str(), existing & ~kRefusingAttributes);
    file_.reset(CreateFileW(path_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file_) WriteFailed("cannot create", path_);
  }
  void Write(const uint8_t* data, size_t size) override {
    while (size > 0) {
      DWORD written = 0;
      DWORD want = static_cast<DWORD>(std::min<size_t>(size, 1u << 30));
      if (!WriteFile(file_.get(), data, want, &written, nullptr) || written == 0)
        WriteFailed("cannot write", path_);
      data += written;
      size -= written;
    }
  }
  void Commit() override {
    if (entry_.modified) {
      FILETIME time = ToFileTime(*entry_.modified);
      SetFileTime(file_.get(), nullptr, nullptr, &time);
    }
    if (!CloseHandle(file_.release())) WriteFailed("cannot write", path_);
    // A new file has the archive bit already: setting it alone again would
    // cost an open and a close of the file (and under Wine two round trips
    // to its server) for nearly every file of an archive made on Windows.
    DWORD attributes = entry_.WindowsAttributes() & kSettableAttributes;
    if (attributes != 0 && attributes != FILE_ATTRIBUTE_ARCHIVE)
      SetFileAttributesW(path_.c_str(), attributes);
  }
  void Discard() override {
    file_.reset();
    DeleteFileW(path_.c_str());
  }

 private:
  std::wstring path_;
  Entry entry_;
  UniqueFile file_;
};

}  // namespace

WinOutputTree::WinOutputTree(std::wstring root) : root_(std::move(root)) {
  for (wchar_t& c : root_)
    if (c == L'/') c = L'\\';
  if (root_.empty() || root_.back() != L'\\') root_ += L'\\';
  // Make each missing folder along the root. Some prefixes cannot be made
  // (a drive, "\\server", a share): only the root itself has to exist.
  for (size_t i = 1; i < root_.size(); ++i) {
    if (root_[i] != L'\\' || root_[i - 1] == L'\\') continue;
    std::wstring prefix = root_.substr(0, i);
    if (GetFileAttributesW(prefix.c_str()) == INVALID_FILE_ATTRIBUTES)
      CreateDirectoryW(prefix.c_str(), nullptr);
  }
  std::wstring folder = root_.substr(0, root_.size() - 1);
  DWORD attributes = GetFileAttributesW(folder.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
    WriteFailed("cannot make folder", folder);
}

std::wstring WinOutputTree::PathOf(const std::vector<std::u16string>& path) const {
  std::wstring full = root_;
  for (size_t i = 0; i < path.size(); ++i) {
    if (i != 0) full += L'\\';
    full += Utf16ToWide(path[i]);
  }
  return full;
}

std::wstring WinOutputTree::MakeParents(const std::vector<std::u16string>& path) {
  std::wstring current = root_;
  for (size_t i = 0; i + 1 < path.size(); ++i) {
    current += Utf16ToWide(path[i]);
    EnsureDirectory(current);
    current += L'\\';
  }
  return current + Utf16ToWide(path.back());
}

void WinOutputTree::MakeDirectory(const Entry& entry, const std::vector<std::u16string>& path) {
  std::wstring full = MakeParents(path);
  EnsureDirectory(full);
  directories_.emplace_back(full, entry);
}

std::unique_ptr<OutputFile> WinOutputTree::CreateOutputFile(
    const Entry& entry, const std::vector<std::u16string>& path) {
  return std::make_unique<WinOutputFile>(MakeParents(path), entry);
}

void WinOutputTree::Finish() {
  // Folder times go last: writing files into a folder changes its time.
  for (const auto& [path, entry] : directories_) {
    if (!entry.modified) continue;
    UniqueFile folder(CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!folder) continue;
    FILETIME time = ToFileTime(*entry.modified);
    SetFileTime(folder.get(), nullptr, nullptr, &time);
  }
}

}  // namespace orvane::archiver
