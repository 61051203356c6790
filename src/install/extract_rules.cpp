#include "install/extract_rules.h"

#include "base/number.h"
#include "install/gbk_path.h"

namespace orvane {

std::string ExtractCommandLine(std::string_view archive, std::string_view folder) {
  std::string line = "x \"";
  line += archive;
  line += "\" -hide -y \"";
  line += WithTrailingBackslash(folder);
  line += "\" *";
  return line;
}

int ExtractPercent(uint32_t written, uint32_t size) {
  if (size == 0 || written >= size) return 100;
  return static_cast<int>(RoundHalfEven(static_cast<double>(written) * 100.0 / size));
}

}  // namespace orvane
