// Whole-file reading and writing for the tools; "-" is stdin or stdout.
#pragma once

#include <optional>
#include <string>

namespace orvane::tools {

std::optional<std::string> ReadWholeFile(const std::string& path);
bool WriteWholeFile(const std::string& path, const std::string& bytes);

}  // namespace orvane::tools
