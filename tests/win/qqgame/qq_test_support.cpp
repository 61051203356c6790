#include "win/qqgame/qq_test_support.h"

#include <commctrl.h>

#include <algorithm>

#include "base/win/gdiplus_flat.h"
#include "package/package_info.h"
#include "qqgame/game_hall_rules.h"
#include "startup/process_values.h"
#include "wizard/page_state.h"
#include "wizard/wizard_controls_internal.h"
#include "wizard/wizard_window.h"

namespace orvane::qq_test {
namespace {

constexpr const char* kQgiExtension = "Software\\Classes\\.qgi";
constexpr const char* kQgiProgId = "OrvaneStandIn.qgi";
constexpr const char* kQgiCommandKey = "Software\\Classes\\OrvaneStandIn.qgi\\shell\\open\\command";
constexpr const char* kQgiProgIdKey = "Software\\Classes\\OrvaneStandIn.qgi";

std::optional<std::string> QueryText(HKEY key, const char* name) {
  DWORD type = 0;
  DWORD size = 0;
  if (RegQueryValueExA(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  std::string value(size + 1, '\0');
  if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(value.data()), &size) !=
      ERROR_SUCCESS) {
    return std::nullopt;
  }
  value.resize(strlen(value.c_str()));
  return value;
}

void SetText(HKEY key, const char* name, const std::optional<std::string>& value) {
  if (value) {
    RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value->c_str()),
                   static_cast<DWORD>(value->size() + 1));
  } else {
    RegDeleteValueA(key, name);
  }
}

void CollectFiles(const std::string& folder, const std::string& prefix,
                  std::vector<std::string>& files) {
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA((folder + "*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    const std::string name = data.cFileName;
    if (name == "." || name == "..") continue;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      CollectFiles(folder + name + "\\", prefix + name + "\\", files);
    } else {
      files.push_back(prefix + name);
    }
  } while (FindNextFileA(find, &data));
  FindClose(find);
}

}  // namespace

std::string BuildFolder() {
  return ORVANE_BUILD_DIR_WIN;
}

std::string StandInProgram() {
  return BuildFolder() + "\\tests\\win\\qqgame\\qq-stand-in.exe";
}

bool MakeFolders(const std::string& path) {
  std::string built;
  for (size_t i = 0; i <= path.size(); ++i) {
    if (i == path.size() || path[i] == '\\') {
      if (built.size() > 2) CreateDirectoryA(built.c_str(), nullptr);
    }
    if (i < path.size()) built += path[i];
  }
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

void RemoveTree(const std::string& path) {
  std::string folder = path;
  if (!folder.empty() && folder.back() != '\\') folder += '\\';
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA((folder + "*").c_str(), &data);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      const std::string name = data.cFileName;
      if (name == "." || name == "..") continue;
      const std::string child = folder + name;
      if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveTree(child);
      } else {
        SetFileAttributesA(child.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(child.c_str());
      }
    } while (FindNextFileA(find, &data));
    FindClose(find);
  }
  RemoveDirectoryA(folder.c_str());
}

bool WriteBytes(const std::string& path, const std::string& bytes) {
  const size_t cut = path.rfind('\\');
  if (cut != std::string::npos) MakeFolders(path.substr(0, cut));
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const BOOL ok =
      ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
  return ok && written == bytes.size();
}

std::optional<std::string> ReadBytes(const std::string& path) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return std::nullopt;
  std::string bytes;
  char buffer[65536];
  DWORD read = 0;
  while (::ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0) {
    bytes.append(buffer, read);
  }
  CloseHandle(file);
  return bytes;
}

bool Exists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::vector<std::string> ListFiles(const std::string& folder) {
  std::vector<std::string> files;
  CollectFiles(folder.back() == '\\' ? folder : folder + "\\", "", files);
  std::sort(files.begin(), files.end());
  return files;
}

HallRegistry::HallRegistry(std::optional<std::string> gameDirectory,
                           std::optional<std::string> miniGamesDirectory) {
  HKEY key = nullptr;
  DWORD disposition = 0;
  if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kGameHallRegistryKey, 0, nullptr, 0,
                      KEY_READ | KEY_WRITE | KEY_WOW64_32KEY, nullptr, &key,
                      &disposition) != ERROR_SUCCESS) {
    return;
  }
  keyExisted_ = disposition == REG_OPENED_EXISTING_KEY;
  old_[kGameDirectoryValue] = QueryText(key, kGameDirectoryValue);
  old_[kMiniGamesDirectoryValue] = QueryText(key, kMiniGamesDirectoryValue);
  SetText(key, kGameDirectoryValue, gameDirectory);
  SetText(key, kMiniGamesDirectoryValue, miniGamesDirectory);
  RegCloseKey(key);
}

HallRegistry::~HallRegistry() {
  if (!keyExisted_) {
    RegDeleteKeyExA(HKEY_LOCAL_MACHINE, kGameHallRegistryKey, KEY_WOW64_32KEY, 0);
    return;
  }
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kGameHallRegistryKey, 0, KEY_WRITE | KEY_WOW64_32KEY,
                    &key) == ERROR_SUCCESS) {
    for (const auto& [name, value] : old_) SetText(key, name.c_str(), value);
    RegCloseKey(key);
  }
}

QgiFileType::QgiFileType(const std::string& command) {
  HKEY key = nullptr;
  if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kQgiExtension, 0, nullptr, 0, KEY_READ | KEY_WRITE,
                      nullptr, &key, nullptr) == ERROR_SUCCESS) {
    oldProgId_ = QueryText(key, nullptr);
    SetText(key, nullptr, std::string(kQgiProgId));
    RegCloseKey(key);
  }
  if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kQgiCommandKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                      nullptr) == ERROR_SUCCESS) {
    SetText(key, nullptr, command);
    RegCloseKey(key);
  }
}

QgiFileType::~QgiFileType() {
  RegDeleteTreeA(HKEY_LOCAL_MACHINE, kQgiProgIdKey);
  if (oldProgId_) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kQgiExtension, 0, KEY_WRITE, &key) == ERROR_SUCCESS) {
      SetText(key, nullptr, oldProgId_);
      RegCloseKey(key);
    }
  } else {
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, kQgiExtension);
  }
}

std::string UpdaterCommand(bool shows, unsigned closeAfterMs, const std::string& recordFile) {
  // Built by appending: GCC 12 warns falsely about "literal" + string here.
  std::string program(1, '"');
  program += StandInProgram();
  program += '"';
  if (!shows) return program + " none \"" + recordFile + "\" \"%1\"";
  return program + " updater " + std::to_string(closeAfterMs) + " \"" + recordFile + "\" \"%1\"";
}

void EndLeftoverUpdaters() {
  for (int round = 0; round < 10; ++round) {
    HWND updater = FindWindowA(nullptr, kGameUpdaterTitle);
    if (!updater) return;
    DWORD processId = 0;
    GetWindowThreadProcessId(updater, &processId);
    if (HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, processId)) {
      TerminateProcess(process, 0);
      WaitForSingleObject(process, 5000);
      CloseHandle(process);
    }
    driver::WaitForWindowGone(updater, 2000);
  }
}

HWND WaitForTopLevel(const char* title, DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  for (;;) {
    if (HWND window = FindWindowA(nullptr, title)) return window;
    if (GetTickCount() - start > timeoutMs) return nullptr;
    Sleep(10);
  }
}

driver::ChildProcess StartStandIn(const std::string& exePath, const std::string& arguments,
                                  const char* waitForTitle) {
  MakeFolders(exePath.substr(0, exePath.rfind('\\')));
  CopyFileA(StandInProgram().c_str(), exePath.c_str(), FALSE);
  driver::ChildProcess child = driver::ChildProcess::Start(exePath, arguments);
  if (waitForTitle) WaitForTopLevel(waitForTitle, 15000);
  return child;
}

void InitWizardEnvironment() {
  SetProcessDPIAware();
  INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), 0x7FFF};
  InitCommonControlsEx(&controls);
  // Started once, for the rest of the test program.
  static const GdiplusSession gdiplus;
}

InstallSetup PrepareInstallFolders(const std::string& root) {
  RemoveTree(root);
  InstallSetup setup;
  setup.root = root;
  setup.programFolder = root + "wizard\\";
  setup.studioFolder = setup.programFolder + "temp\\Different\\";
  MakeFolders(setup.studioFolder);
  WriteBytes(setup.programFolder + "game.qgi", "stand-in package");
  return setup;
}

void WriteGameConfig(const InstallSetup& setup, const std::optional<std::string>& destRootFolder) {
  std::string ini = "[QgiMustHave]\r\n";
  if (destRootFolder) ini += "DestRootFolder=" + *destRootFolder + "\r\n";
  ini += "[Other]\r\nName=x\r\n";
  WriteBytes(setup.studioFolder + "config.ini", ini);
}

HWND CreateInstallWizard(const InstallSetup& setup, const std::string& productName) {
  ProgramFolder = setup.programFolder;
  PackageFilePath = setup.programFolder + "game.qgi";
  PackageInfo = PackageRecord{};
  PackageInfo.name = productName;
  TitleText = "Orvane" + productName;
  BusyPhase = 0;
  AbortFlag = 0;
  PageHeading = "解压缩文件";
  PageSubheading = "解压“" + productName + "”的安装包";
  InstallPage = WizardPage::Installing;
  HWND wizard = CreateWizardWindow(nullptr, 0);
  if (!wizard) return nullptr;
  // Loading a package is not part of these tests.
  KillTimer(wizard, kStartTimerId);
  ShowWindow(wizard, SW_SHOWNORMAL);
  UpdateWindow(wizard);
  PumpMessages();
  return wizard;
}

void DestroyInstallWizard(HWND wizard) {
  if (IsWindow(wizard)) DestroyWindow(wizard);
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message != WM_QUIT) DispatchMessageA(&message);
  }
}

}  // namespace orvane::qq_test
