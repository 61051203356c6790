#include "win/window/sample_package.h"

#include <windows.h>

#include <fstream>

#include "package/info_block_writer.h"

namespace orvane::testing {

std::string WriteSamplePackage(const std::string& folder, const std::string& fileName) {
  CreateDirectoryA(folder.c_str(), nullptr);
  InfoBlockValues values;
  values.id = 123;
  values.name = "示例软件";
  values.fileName = "SampleProduct.exe";
  values.version = "1.2.0";
  values.date = "2026-12-08";
  values.description = "示例";
  const std::string path = folder + "\\" + fileName;
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << std::string(3000, 'x') << FormatInfoBlock(values).block;
  return path;
}

}  // namespace orvane::testing
