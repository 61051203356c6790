// Feeds arbitrary bytes to the 7z reader: headers, coders and the
// extraction in test mode must fail cleanly, never crash or hang.
#include <cstddef>
#include <cstdint>
#include <string>

#include "archiver/core/archive_error.h"
#include "archiver/core/archive_reader.h"
#include "archiver/core/entry_path.h"
#include "archiver/core/extract_command.h"
#include "archiver/core/extractor.h"

namespace {

using namespace orvane::archiver;

// Stops after a bounded amount of output: a tiny input may declare and
// really produce gigabytes, which proves nothing but takes time.
class OutputBudget : public ExtractObserver {
 public:
  bool FileBegins(const Entry&) override { return ++files_ < 10000; }
  bool FileProgress(const Entry&, uint64_t) override {
    return ++chunks_ < 64;  // 64 chunks of at most 256 KiB
  }

 private:
  int files_ = 0;
  int chunks_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  MemoryInput input(data, size);
  ReaderLimits limits;
  limits.max_header_size = 1 << 20;
  limits.decode.max_dictionary = 16 << 20;
  try {
    ArchiveDatabase db = ReadArchive(input, limits);
    for (const Entry& e : db.entries) {
      try {
        SafePathComponents(e.name);
      } catch (const ArchiveError&) {
      }
    }
    OutputBudget budget;
    ExtractAll(input, db, nullptr, &budget, limits.decode);
  } catch (const ArchiveError&) {
  }
  ParseExtractCommand(std::string(reinterpret_cast<const char*>(data), size));
  return 0;
}
