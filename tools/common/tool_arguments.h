// The common front of the tools' command lines: --help (or -h) anywhere
// prints the usage and ends the tool with 0; a usage mistake prints the
// tool's name, the reason and the usage on stderr and ends it with 2.
#pragma once

#include <string>
#include <vector>

namespace orvane::tools {

inline constexpr int kExitUsageError = 2;

// True when `args` ask for help; the usage has then gone to stdout.
bool PrintedHelp(const std::vector<std::string>& args, const char* usage);

// Reports a usage mistake; returns the exit code to end with.
int UsageError(const char* tool, const std::string& reason, const char* usage);

}  // namespace orvane::tools
