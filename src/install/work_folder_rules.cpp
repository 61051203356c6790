#include "install/work_folder_rules.h"

namespace orvane {
namespace {

constexpr std::string_view kMarkerFirstLine = "Orvane setup work folder\r\n";

}  // namespace

std::string WorkFolderMarkerText() {
  return std::string(kMarkerFirstLine) +
         "The setup program unpacks here and deletes the folder when it is done.\r\n";
}

bool IsWorkFolderMarker(std::string_view bytes) {
  return bytes.substr(0, kMarkerFirstLine.size()) == kMarkerFirstLine;
}

std::string WorkFolderCandidate(std::string_view programFolder, int index) {
  std::string folder(programFolder);
  folder += "temp";
  if (index >= 1) folder += ".orvane";
  if (index >= 2) folder += std::to_string(index);
  return folder;
}

}  // namespace orvane
