// One run of the DLL's extract command and its archive check, in terms of
// the reader; the exported functions only hold the library's settings.
#pragma once

#include <cstdint>
#include <string>

#include "archiver/sevenzip_api.h"

namespace orvane::archiver {

struct ProgressTarget {
  void* owner = nullptr;
  ExtractProgressCallback callback = nullptr;
};

// Runs `command_line` (the one accepted form); returns a SevenZipResult and,
// on failure, a reason.
int32_t RunExtractCommand(const char* command_line, const ProgressTarget& target,
                          std::string* reason);

// True when `path` (ANSI) is a 7z archive whose every entry and method this
// library can extract.
bool CanExtractArchive(const char* path);

}  // namespace orvane::archiver
