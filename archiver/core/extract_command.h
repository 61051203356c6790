// The one command line the archiver DLL accepts:
//   x "ARCHIVE" -hide -y "FOLDER\" *
// (extract everything with folders, no window of its own, overwrite).
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace orvane::archiver {

struct ExtractCommand {
  std::string archive;        // ANSI (code page) bytes as given
  std::string output_folder;  // ends in "\"
};

// Anything but exactly that form (other commands or switches, missing
// quotes, an empty path, a folder without its final "\") gives nothing.
std::optional<ExtractCommand> ParseExtractCommand(std::string_view line);

}  // namespace orvane::archiver
