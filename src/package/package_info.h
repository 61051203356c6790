// The package being installed: its information record and file path, and
// the special-edition game parameters.
#pragma once

#include <cstdint>
#include <string>

namespace orvane {

// Field sizes in bytes; a field holds at most size - 1 bytes.
inline constexpr size_t kNameFieldSize = 30;
inline constexpr size_t kFileNameFieldSize = 100;
inline constexpr size_t kVersionFieldSize = 30;
inline constexpr size_t kDateFieldSize = 20;
inline constexpr size_t kDescriptionFieldSize = 200;
inline constexpr size_t kPackagePathSize = 100;

struct PackageRecord {
  int32_t id = 0;
  std::string name;
  std::string fileName;
  std::string version;
  std::string date;
  std::string description;
};

extern PackageRecord PackageInfo;
extern std::string PackageFilePath;

extern int32_t GameRequired;
extern std::string GameWindowTitle;
extern std::string GameProgramName;

// The package is only unpacked into ProgramFolder + description.
inline constexpr const char* kExtractOnlyFileName = "解压缩";
bool IsExtractOnlyMode();

}  // namespace orvane
