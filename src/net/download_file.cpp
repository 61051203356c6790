#include "net/download_file.h"

#include <commctrl.h>
#include <shellapi.h>

#include <cstdlib>
#include <ctime>

#include "base/win/handles.h"
#include "build_constants.h"
#include "net/download_rules.h"
#include "net/start_download.h"
#include "startup/process_values.h"
#include "wizard/controls.h"
#include "wizard/page_state.h"
#include "wizard/wizard_window.h"

namespace orvane {

std::string DownloadName;

namespace {

constexpr int kAttempts = 3;
constexpr HostRole kAttemptHosts[kAttempts] = {kFirstUpdateHost, kSecondUpdateHost, kWebSiteHost};

int32_t DrawCheckRandom() {
  std::srand(static_cast<unsigned>(std::time(nullptr) ^ ::GetTickCount()));
  return CheckRandomFromFraction(std::rand() / (RAND_MAX + 1.0));
}

int32_t CheckKey() {
  return static_cast<int32_t>(std::atol(build::kCheckKey));
}

// Size of a file, 0 when it is missing.
uint64_t FileSize(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return 0;
  return (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// A short answer's bytes; empty when it cannot be read.
std::string ReadWholeFile(const std::string& path) {
  UniqueFile file(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return {};
  std::string bytes(static_cast<size_t>(FileSize(path)), '\0');
  DWORD read = 0;
  if (!::ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr)) {
    return {};
  }
  bytes.resize(read);
  return bytes;
}

// A short answer either fails the attempt, or names the real address
// after "URL=", which is then fetched into the same temporary file.
std::string JudgeAnswer(std::string result, const std::string& temporaryPath,
                        DownloadObserver* observer) {
  switch (JudgeAnswerSize(FileSize(temporaryPath))) {
    case AnswerVerdict::kTooShort:
      return std::string();
    case AnswerVerdict::kExamine:
      if (const auto address = IndirectionAddress(ReadWholeFile(temporaryPath))) {
        return StartDownload(WizardHandle, *address, temporaryPath, observer);
      }
      return result;
    case AnswerVerdict::kAccepted:
      return result;
  }
  return result;
}

}  // namespace

bool DownloadFile(const std::string& fileName, const std::string& displayName,
                  DownloadObserver* observer) {
  PageHeading = displayName;
  PageSubheading = displayName;
  DownloadName = fileName;
  SetControlText(ProgressLabel, "准备【" + displayName + "】中..... ");
  InstallPage = WizardPage::Downloading;
  RepaintWizard(WizardHandle);
  AbortFlag = 0;

  const std::string temporaryPath = ProgramFolder + fileName + ".tmp";
  std::string result;
  for (int attempt = 1; attempt <= kAttempts; ++attempt) {
    SetControlText(ProgressLabel, "准备【" + displayName + "】中....." + std::to_string(attempt));
    const int32_t checkValue =
        attempt == 1 ? RequestCheckValue(fileName, DrawCheckRandom(), CheckKey()) : 0;
    const std::string address =
        DownloadAddress(attempt, HostName(kAttemptHosts[attempt - 1]), fileName, checkValue);
    result = StartDownload(WizardHandle, address, temporaryPath, observer);
    if (!result.empty() || AbortFlag == 1) result = JudgeAnswer(result, temporaryPath, observer);
    if (!result.empty() || AbortFlag == 1) break;
  }
  if (AbortFlag == 1) return false;
  if (result.empty()) return false;
  // An older file of the final name is replaced; a rename that fails is a
  // failed download, not a success.
  const std::string finalPath = ProgramFolder + fileName;
  if (!::MoveFileExA(temporaryPath.c_str(), finalPath.c_str(), MOVEFILE_REPLACE_EXISTING)) {
    ::DeleteFileA(temporaryPath.c_str());
    return false;
  }
  return true;
}

int32_t OnDownloadProgress(HWND, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message != WM_DOWNLOAD_PROGRESS) return 0;
  const uint32_t position = static_cast<uint32_t>(wParam);
  const int32_t announced = static_cast<int32_t>(lParam);
  SetControlText(ProgressLabel, ProgressStatusText(DownloadName, position, announced));
  if (::IsWindow(ProgressBar)) {
    ::SendMessageA(ProgressBar, PBM_SETPOS,
                   static_cast<WPARAM>(ProgressBarPosition(position, announced)), 0);
  }
  return 0;
}

void OpenInShell(HWND window, const std::string& target) {
  ::ShowWindow(window, SW_HIDE);
  ::ShellExecuteA(window, "Open", target.c_str(), "_blank", ProgramFolder.c_str(), SW_SHOWNORMAL);
  WaitPumping(1000);
  ::ShowWindow(window, SW_SHOWNA);
}

}  // namespace orvane
