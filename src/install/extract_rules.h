// The archiver command line and the progress percentage of one file.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace orvane {

// x "ARCHIVE" -hide -y "FOLDER\" * : extract with folders, no window of the
// library's own, overwrite without asking. The folder gets its final "\".
std::string ExtractCommandLine(std::string_view archive, std::string_view folder);

// written * 100 / size, rounded half to even, kept within 0..100. An empty
// file counts as complete.
int ExtractPercent(uint32_t written, uint32_t size);

}  // namespace orvane
