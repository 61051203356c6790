#include "install/launch_plan.h"

#include "install/gbk_path.h"

namespace orvane {

LaunchPlan MakeLaunchPlan(std::string_view folderText, std::string_view programFileName,
                          std::string_view productName) {
  LaunchPlan plan;
  plan.folder = WithTrailingBackslash(folderText);
  plan.program = plan.folder + std::string(programFileName);
  plan.shortcutName = std::string(productName) + ".lnk";
  return plan;
}

}  // namespace orvane
