#include "tool_arguments.h"

#include <iostream>

namespace orvane::tools {

bool PrintedHelp(const std::vector<std::string>& args, const char* usage) {
  for (const std::string& a : args) {
    if (a == "--help" || a == "-h") {
      std::cout << usage;
      return true;
    }
  }
  return false;
}

int UsageError(const char* tool, const std::string& reason, const char* usage) {
  std::cerr << tool << ": " << reason << "\n" << usage;
  return kExitUsageError;
}

}  // namespace orvane::tools
