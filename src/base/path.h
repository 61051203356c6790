// Splitting a path into folder and file name at the last ":", "/" or "\".
#pragma once

#include <string>
#include <string_view>

namespace orvane {

struct SplitPath {
  std::string folder;  // up to and including the separator; empty when none
  std::string file;    // everything after it
};

SplitPath SplitFolderAndFile(std::string_view path);

}  // namespace orvane
