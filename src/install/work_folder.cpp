#include "install/work_folder.h"

#include <windows.h>

#include <vector>

#include "base/win/handles.h"
#include "install/gbk_path.h"
#include "install/target_folder_rule.h"
#include "install/work_folder_rules.h"
#include "startup/process_values.h"

namespace orvane {
namespace {

std::string ChosenWorkFolder;

std::string MarkerPath(const std::string& folder) {
  return WithTrailingBackslash(folder) + kWorkFolderMarkerName;
}

// The first bytes of a file, enough to recognise the marker.
std::string FileStart(const std::string& path) {
  UniqueFile file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return {};
  char bytes[256];
  DWORD read = 0;
  if (!ReadFile(file.get(), bytes, sizeof bytes, &read, nullptr)) return {};
  return std::string(bytes, read);
}

bool WriteMarker(const std::string& folder) {
  const std::string path = MarkerPath(folder);
  SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  UniqueFile file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  const std::string text = WorkFolderMarkerText();
  DWORD written = 0;
  return WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
         written == text.size();
}

bool Exists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// A real folder (not a link to somewhere else) holding the marker.
bool IsOwnWorkFolder(const std::string& folder) {
  const DWORD attributes = GetFileAttributesA(folder.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY) ||
      (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
    return false;
  }
  return IsWorkFolderMarker(FileStart(MarkerPath(folder)));
}

// Deletes what the scripting object left: attributes that refuse deletion
// are cleared first, and links are removed without entering them.
void RemoveRemains(const std::string& folder) {
  const std::string prefix = WithTrailingBackslash(folder);
  std::vector<std::pair<std::string, DWORD>> entries;
  WIN32_FIND_DATAA found;
  if (UniqueFindHandle search(FindFirstFileA((prefix + "*").c_str(), &found)); search) {
    do {
      const std::string name = found.cFileName;
      if (name != "." && name != "..") entries.emplace_back(prefix + name, found.dwFileAttributes);
    } while (FindNextFileA(search.get(), &found));
  }
  for (const auto& [path, attributes] : entries) {
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
      DeleteFileA(path.c_str());
    } else if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
      RemoveDirectoryA(path.c_str());
    } else {
      RemoveRemains(path);
    }
  }
  RemoveDirectoryA(folder.c_str());
}

// The full path, with the longest part that exists spelt as the file
// system spells it (a short 8.3 name becomes the long one).
std::string CanonicalPath(const std::string& path) {
  char full[MAX_PATH * 2] = {};
  const DWORD length = GetFullPathNameA(path.c_str(), sizeof full, full, nullptr);
  if (length == 0 || length >= sizeof full) return path;
  std::string head(full, length);
  while (!head.empty() && EndsWithBackslash(head) && head.size() > 3) head.pop_back();
  std::string tail;
  while (head.size() > 3) {
    char spelt[MAX_PATH * 2] = {};
    const DWORD got = GetLongPathNameA(head.c_str(), spelt, sizeof spelt);
    if (got > 0 && got < sizeof spelt) return std::string(spelt, got) + tail;
    // Not there (yet): keep the last part as typed and look one level up.
    const std::vector<std::string> parts = SplitAtBackslash(head);
    tail = "\\" + parts.back() + tail;
    head.resize(head.size() - parts.back().size() - 1);
  }
  return head + tail;
}

}  // namespace

std::string ChooseWorkFolder() {
  ChosenWorkFolder.clear();
  for (int index = 0; index < kWorkFolderCandidates; ++index) {
    const std::string candidate = WorkFolderCandidate(ProgramFolder, index);
    if (!Exists(candidate) || IsOwnWorkFolder(candidate)) {
      ChosenWorkFolder = candidate;
      break;
    }
  }
  return ChosenWorkFolder;
}

std::string WorkFolder() {
  return ChosenWorkFolder.empty() ? WorkFolderCandidate(ProgramFolder, 0) : ChosenWorkFolder;
}

bool PrepareWorkFolder(FileSystemObject& fso, const std::string& folder) {
  if (Exists(folder)) {
    // Only ever called with a folder that is the wizard's own.
    fso.DeleteFolderTree(folder);
    if (Exists(folder)) RemoveRemains(folder);
    if (Exists(folder)) {
      // Something is held open: never unpack over old files.
      WriteMarker(folder);
      return false;
    }
  }
  if (!CreateDirectoryA(folder.c_str(), nullptr)) return false;
  return WriteMarker(folder);
}

void RemoveWorkFolder(FileSystemObject& fso, const std::string& folder) {
  fso.DeleteFolderTree(folder);
  if (Exists(folder)) RemoveRemains(folder);
  if (Exists(folder)) WriteMarker(folder);
}

bool TargetInsideWorkFolder(const std::string& target, const std::string& workFolder) {
  return IsSameOrInsideFolder(CanonicalPath(target), CanonicalPath(workFolder));
}

}  // namespace orvane
