#include "package/package_info.h"

namespace orvane {

PackageRecord PackageInfo;
std::string PackageFilePath;
int32_t GameRequired = 0;
std::string GameWindowTitle;
std::string GameProgramName;

bool IsExtractOnlyMode() {
  return PackageInfo.fileName == kExtractOnlyFileName;
}

}  // namespace orvane
