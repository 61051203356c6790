// Where the finished install is started from and what its shortcut names.
#pragma once

#include <string>
#include <string_view>

namespace orvane {

struct LaunchPlan {
  std::string folder;        // the installed folder, ending in "\"
  std::string program;       // folder + the program's file name
  std::string shortcutName;  // file name of the desktop shortcut
};

// `folderText` is the target folder as the edit box holds it; the folder
// is used exactly as typed, with one "\" at its end.
LaunchPlan MakeLaunchPlan(std::string_view folderText, std::string_view programFileName,
                          std::string_view productName);

}  // namespace orvane
