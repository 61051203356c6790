#include "install/folder_copy.h"

#include <aclapi.h>
#include <sddl.h>

#include <optional>
#include <vector>

#include "base/text.h"
#include "base/win/handles.h"
#include "install/display_text.h"
#include "install/folder_copy_rules.h"
#include "install/gbk_path.h"
#include "install/install_clock.h"
#include "install/install_messages.h"
#include "install/status_throttle.h"
#include "wizard/controls.h"
#include "wizard/page_state.h"
#include "wizard/wizard_window.h"

namespace orvane {
namespace {

constexpr int kStatusPathWidth = 60;
// Attributes under which CopyFile refuses to replace a file.
constexpr DWORD kRefusingAttributes =
    FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;

uint32_t LastCopyStatusTick = 0;

struct FolderEntry {
  std::string name;
  DWORD attributes = 0;
};

// Every entry of the folder, hidden and system ones included, in the
// order of the search. Read whole before anything moves.
std::vector<FolderEntry> ListFolder(const std::string& folder) {
  std::vector<FolderEntry> entries;
  WIN32_FIND_DATAA found;
  UniqueFindHandle search(FindFirstFileA((folder + "*.*").c_str(), &found));
  if (!search) return entries;
  do {
    const std::string name = found.cFileName;
    if (name == "." || name == "..") continue;
    entries.push_back({name, found.dwFileAttributes});
  } while (FindNextFileA(search.get(), &found));
  return entries;
}

bool IsFolder(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(WithTrailingBackslash(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The system's own text for an error code, in the default language.
std::string SystemErrorText(DWORD error) {
  char text[1024] = {};
  const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                      nullptr, error, 0, text, sizeof text, nullptr);
  return std::string(text, length);
}

// A renamed file keeps the permissions it had in the work folder; a copy
// would have taken the target folder's. An empty DACL that is not
// protected makes the system give the file what its new folder passes on.
void InheritTargetPermissions(const std::string& path) {
  ACL empty{};
  if (!InitializeAcl(&empty, sizeof empty, ACL_REVISION)) return;
  SetNamedSecurityInfoA(const_cast<char*>(path.c_str()), SE_FILE_OBJECT,
                        DACL_SECURITY_INFORMATION | UNPROTECTED_DACL_SECURITY_INFORMATION, nullptr,
                        nullptr, &empty, nullptr);
}

// A folder's DACL as text; empty when it cannot be read.
std::string FolderDacl(std::string folder) {
  if (folder.size() > 3 && EndsWithBackslash(folder)) folder.pop_back();
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  PACL dacl = nullptr;
  if (GetNamedSecurityInfoA(folder.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                            nullptr, &dacl, nullptr, &descriptor) != ERROR_SUCCESS) {
    return {};
  }
  char* text = nullptr;
  std::string result;
  if (ConvertSecurityDescriptorToStringSecurityDescriptorA(
          descriptor, SDDL_REVISION_1, DACL_SECURITY_INFORMATION, &text, nullptr)) {
    result = text;
    LocalFree(text);
  }
  LocalFree(descriptor);
  return result;
}

// Files renamed between two folders of the same DACL already carry what a
// copy would give them; checked once a folder, it spares a security
// rewrite for every file.
bool FoldersPassOnAlike(const std::string& from, const std::string& to) {
  const std::string source = FolderDacl(from);
  return !source.empty() && source == FolderDacl(to);
}

void ShowCopyStatus(const std::string& destination) {
  const uint32_t now = InstallTicks();
  if (!StatusUpdateDue(now, LastCopyStatusTick)) return;
  LastCopyStatusTick = now;
  SetControlText(ProgressLabel, std::string(kCopyStatusPrefix) +
                                    ShortenPathForDisplay(destination, kStatusPathWidth));
}

// A file over its destination; `givePermissions` false skips the rewrite
// of a renamed file's permissions, for two folders that pass on the same
// ones.
int MoveOneFile(HWND owner, const std::string& source, const std::string& destination,
                bool givePermissions) {
  ShowCopyStatus(destination);
  PumpMessages();

  const DWORD attributes = GetFileAttributesA(destination.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & kRefusingAttributes)) {
    SetFileAttributesA(destination.c_str(), FILE_ATTRIBUTE_NORMAL);
  }
  // On the same volume a rename moves the file without copying its bytes.
  if (MoveFileExA(source.c_str(), destination.c_str(), MOVEFILE_REPLACE_EXISTING)) {
    if (givePermissions) InheritTargetPermissions(destination);
    return kCopyNext;
  }
  // Another volume, or something in the way: the copy tells which.
  DWORD error = 0;
  if (CopyFileA(source.c_str(), destination.c_str(), FALSE)) {
    if (DeleteFileA(source.c_str())) return kCopyNext;
    error = GetLastError();
  } else {
    error = GetLastError();
  }
  if (IsSilentlySkippedFile(destination)) return kCopyNext;

  const std::string question = CopyFailureText(source, destination, SystemErrorText(error));
  switch (MessageBoxA(owner, question.c_str(), kCopyFailureCaption,
                      MB_ABORTRETRYIGNORE | MB_ICONQUESTION)) {
    case IDABORT:
      return kCopyStop;
    case IDRETRY:
      return kCopyRetry;
    default:
      return kCopyNext;
  }
}

}  // namespace

bool CreateFolderTree(const std::string& path) {
  for (const std::string& level : FolderTreeLevels(path)) {
    if (GetFileAttributesA(level.c_str()) == INVALID_FILE_ATTRIBUTES) {
      CreateDirectoryA(level.c_str(), nullptr);
    }
  }
  // A file of that name is no folder to install into.
  return IsFolder(path);
}

int CopyOneFile(HWND owner, const std::string& source, const std::string& destination) {
  return MoveOneFile(owner, source, destination, true);
}

int CopyFolderTree(HWND owner, const std::string& source, const std::string& destination,
                   std::string_view skippedName) {
  const std::string from = WithTrailingBackslash(source);
  const std::string to = WithTrailingBackslash(destination);
  int result = kCopyNext;
  std::optional<bool> passOnAlike;  // asked at the first file
  for (const FolderEntry& entry : ListFolder(from)) {
    if (!skippedName.empty() && EqualsIgnoreCaseAscii(entry.name, skippedName)) continue;
    const std::string sourcePath = from + entry.name;
    const std::string destinationPath = to + entry.name;
    if (entry.attributes & FILE_ATTRIBUTE_DIRECTORY) {
      if (CreateFolderTree(destinationPath)) {
        result = CopyFolderTree(owner, sourcePath + "\\", destinationPath + "\\");
      } else {
        result = kCopyStop;
        MessageBoxA(owner, FolderCreationFailureText(destinationPath).c_str(), kInstallCaption,
                    MB_ICONERROR);
      }
    } else {
      if (!passOnAlike) passOnAlike = FoldersPassOnAlike(source, destination);
      do {
        result = MoveOneFile(owner, sourcePath, destinationPath, !*passOnAlike);
      } while (result == kCopyRetry && AbortFlag != 1);
    }
    if (result == kCopyStop || AbortFlag == 1) break;
  }
  return result;
}

}  // namespace orvane
