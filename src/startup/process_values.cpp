#include "startup/process_values.h"

#include "base/text.h"
#include "build_constants.h"

namespace orvane {

float sx = 0.0f;
float sy = 0.0f;
std::string CommandLine;
std::string RichEditClass;
std::string ProgramFolder;
std::string ProgramFileName;
std::array<std::string, 3> HostTemplates;

std::string HostName(HostRole role) {
  return ReplaceAll(HostTemplates[role], "\\\\\\", build::kDomainWord);
}

}  // namespace orvane
