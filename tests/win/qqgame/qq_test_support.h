// Shared pieces of the game hall tests and their child program: the test's
// folders and files, the hall's registry entries and the ".qgi" file type
// (both put back as they were), the stand-in platform programs, and the
// wizard made in the test process.
#pragma once

#include <windows.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "win/driver/ui_driver.h"

namespace orvane::qq_test {

// The build folder as a Windows path, and the folder of the test programs.
std::string BuildFolder();
std::string StandInProgram();

// Folders and files.
bool MakeFolders(const std::string& path);
void RemoveTree(const std::string& path);
bool WriteBytes(const std::string& path, const std::string& bytes);
std::optional<std::string> ReadBytes(const std::string& path);
bool Exists(const std::string& path);
// Files below `folder`, relative paths, sorted.
std::vector<std::string> ListFiles(const std::string& folder);

// Sets the hall's registry values (32-bit view) for one scope; a value of
// nullopt is removed. The old values and the key are put back afterwards.
class HallRegistry {
 public:
  HallRegistry(std::optional<std::string> gameDirectory,
               std::optional<std::string> miniGamesDirectory);
  HallRegistry(const HallRegistry&) = delete;
  HallRegistry& operator=(const HallRegistry&) = delete;
  ~HallRegistry();

 private:
  bool keyExisted_ = false;
  std::map<std::string, std::optional<std::string>> old_;
};

// Makes the shell open ".qgi" files with `command` (%1 is the file) for
// one scope; the earlier association comes back afterwards.
class QgiFileType {
 public:
  explicit QgiFileType(const std::string& command);
  QgiFileType(const QgiFileType&) = delete;
  QgiFileType& operator=(const QgiFileType&) = delete;
  ~QgiFileType();

 private:
  std::optional<std::string> oldProgId_;
};

// Command for QgiFileType: the stand-in updater that stays `closeAfterMs`
// (0: until ended), or with `shows` false one that never opens a window;
// either notes the file it was given in `recordFile`.
std::string UpdaterCommand(bool shows, unsigned closeAfterMs, const std::string& recordFile);

// Copies the stand-in to `exePath` and starts it with `arguments`; waits
// for its window titled `title` (when given) to appear.
driver::ChildProcess StartStandIn(const std::string& exePath, const std::string& arguments,
                                  const char* waitForTitle);
// Ends every stand-in updater still showing its window.
void EndLeftoverUpdaters();

// Waits for a top-level window of that title; null after the time-out.
HWND WaitForTopLevel(const char* title, DWORD timeoutMs);

// The state a special-edition install starts from: the wizard made in
// this process on the Installing page, ProgramFolder = root + "wizard\",
// a package file there, and the config and studio files in its work folder.
// What the program sets up before its wizard: DPI awareness, the common
// controls and GDI+ (kept for the life of the process).
void InitWizardEnvironment();

struct InstallSetup {
  std::string root;           // ends in "\"
  std::string programFolder;  // root + "wizard\"
  std::string studioFolder;   // programFolder + "temp\Different\"
};
InstallSetup PrepareInstallFolders(const std::string& root);
void WriteGameConfig(const InstallSetup& setup, const std::optional<std::string>& destRootFolder);
HWND CreateInstallWizard(const InstallSetup& setup, const std::string& productName);
void DestroyInstallWizard(HWND wizard);

}  // namespace orvane::qq_test
