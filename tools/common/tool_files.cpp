#include "tool_files.h"

#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>

namespace orvane::tools {

std::optional<std::string> ReadWholeFile(const std::string& path) {
  if (path == "-") {
    std::ostringstream all;
    all << std::cin.rdbuf();
    return all.str();
  }
  std::ifstream file(path, std::ios::binary);
  if (!file) return std::nullopt;
  std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  if (file.bad()) return std::nullopt;
  return bytes;
}

bool WriteWholeFile(const std::string& path, const std::string& bytes) {
  if (path == "-") {
    std::cout.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    std::cout.flush();
    return static_cast<bool>(std::cout);
  }
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  file.close();
  return static_cast<bool>(file);
}

}  // namespace orvane::tools
