// The functions 7-zip32.dll exports and the record it hands to the
// progress callback, for the code that loads the library at run time.
// Every function uses the standard Windows calling convention.
#pragma once

#include <cstddef>
#include <cstdint>

#if defined(_WIN32)
#define ORVANE_SEVENZIP_CALL __stdcall
#else
#define ORVANE_SEVENZIP_CALL
#endif

namespace orvane {

// Longest name, in bytes, the record carries (plus its terminator).
constexpr size_t kExtractNameMax = 512;

// What the library tells the callback about the file being extracted.
struct ExtractInfo {
  uint32_t file_size;                     // offset 0: size of the file, bytes
  uint32_t written_size;                  // offset 4: bytes of it written so far
  char source_name[kExtractNameMax + 1];  // offset 8: name in the archive, ANSI, "\" separators
  char reserved1[3];
  char destination_name[kExtractNameMax + 1];  // full output path, ANSI
  char reserved2[3];
};
static_assert(offsetof(ExtractInfo, file_size) == 0);
static_assert(offsetof(ExtractInfo, written_size) == 4);
static_assert(offsetof(ExtractInfo, source_name) == 8);

// The callback's `state` argument.
enum ExtractState : uint32_t {
  kExtractFileBegins = 0,    // a file begins; written_size is 0
  kExtractFileProgress = 1,  // more of the file was written
};

// Results of SevenZip(): 0 is success.
enum SevenZipResult : int32_t {
  kSevenZipOk = 0,
  kSevenZipBadCommand = 0x8001,   // not the one accepted command line
  kSevenZipCannotOpen = 0x8002,   // the archive file cannot be opened or read
  kSevenZipNotArchive = 0x8003,   // no 7z signature
  kSevenZipCorrupt = 0x8004,      // broken or truncated archive
  kSevenZipCrcMismatch = 0x8005,  // a header or file checksum is wrong
  kSevenZipUnsupported = 0x8006,  // a compression method this library lacks
  kSevenZipEncrypted = 0x8007,    // needs a password
  kSevenZipUnsafeName = 0x8008,   // an entry would land outside the output folder
  kSevenZipNoMemory = 0x8009,
  kSevenZipCannotWrite = 0x800A,     // an output file or folder cannot be made
  kSevenZipStopped = 0x800B,         // the callback answered 0
  kSevenZipAlreadyRunning = 0x800C,  // called again from inside a callback
};

// Nonzero lets the extraction go on; 0 stops it.
using ExtractProgressCallback = int32_t(ORVANE_SEVENZIP_CALL*)(void* window, uint32_t message,
                                                               uint32_t state, void* info);

// SevenZip(window, command line, output buffer, its size): the command line is
// x "ARCHIVE" -hide -y "FOLDER\" * ; a reason for a failure goes to the buffer.
using SevenZipFunction = int32_t(ORVANE_SEVENZIP_CALL*)(void* window, const char* command_line,
                                                        char* output, uint32_t output_size);
// Nonzero when the file is an archive the library can extract.
using SevenZipCheckArchiveFunction = int32_t(ORVANE_SEVENZIP_CALL*)(const char* path, int32_t mode);
using SevenZipGetBackGroundModeFunction = int32_t(ORVANE_SEVENZIP_CALL*)();
using SevenZipSetBackGroundModeFunction = int32_t(ORVANE_SEVENZIP_CALL*)(int32_t mode);
using SevenZipSetCursorModeFunction = int32_t(ORVANE_SEVENZIP_CALL*)(int32_t mode);
// The callback is called on the thread that calls SevenZip.
using SevenZipSetOwnerWindowExFunction =
    int32_t(ORVANE_SEVENZIP_CALL*)(void* window, ExtractProgressCallback callback);
using SevenZipKillOwnerWindowExFunction = int32_t(ORVANE_SEVENZIP_CALL*)(void* window);

}  // namespace orvane
