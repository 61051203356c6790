// orvane7z: lists, tests or extracts a 7z archive with the studio's own
// reader, the one inside 7-zip32.dll.
//   orvane7z l ARCHIVE          list entries
//   orvane7z t ARCHIVE          decode everything and check every CRC
//   orvane7z x ARCHIVE FOLDER   extract into FOLDER (made when missing)
// Exit code 0 on success, 1 when the archive fails, 2 on bad usage.
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <string>

#include "archiver/core/archive_error.h"
#include "archiver/core/archive_reader.h"
#include "archiver/core/extractor.h"
#include "archiver/core/utf.h"
#include "archiver/native/posix_input.h"
#include "archiver/native/posix_output.h"

namespace {

using namespace orvane::archiver;

int Usage() {
  std::fprintf(stderr, "usage: orvane7z l ARCHIVE | t ARCHIVE | x ARCHIVE FOLDER\n");
  return 2;
}

void List(const ArchiveDatabase& db) {
  for (const Entry& e : db.entries) {
    std::string method;
    if (e.has_stream) {
      for (const CoderInfo& c : db.streams.folders[e.folder].coders)
        method += (method.empty() ? "" : " ") + MethodName(c);
    }
    std::printf("%c %12" PRIu64 " %08" PRIx32 " %-20s %s\n", e.is_directory ? 'D' : 'F', e.size,
                e.crc.value_or(0), method.c_str(), Utf16ToUtf8(e.name).c_str());
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return Usage();
  std::string command = argv[1];
  if (!((command == "l" || command == "t") && argc == 3) && !(command == "x" && argc == 4))
    return Usage();
  try {
    PosixFileInput input(argv[2]);
    ArchiveDatabase db = ReadArchive(input);
    if (command == "l") {
      List(db);
    } else if (command == "t") {
      ExtractAll(input, db, nullptr, nullptr);
      std::printf("OK %zu entries\n", db.entries.size());
    } else {
      PosixOutputTree tree(argv[3]);
      ExtractAll(input, db, &tree, nullptr);
    }
    return 0;
  } catch (const ArchiveError& e) {
    std::fprintf(stderr, "orvane7z: %s: %s\n", argv[2], e.what());
    return 1;
  } catch (const std::bad_alloc&) {
    std::fprintf(stderr, "orvane7z: %s: out of memory\n", argv[2]);
    return 1;
  }
}
