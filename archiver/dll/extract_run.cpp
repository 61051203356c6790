#include "extract_run.h"

#include <windows.h>

#include <cstring>
#include <new>

#include "archiver/core/archive_error.h"
#include "archiver/core/archive_reader.h"
#include "archiver/core/entry_path.h"
#include "archiver/core/extract_command.h"
#include "archiver/core/extractor.h"
#include "archiver/core/write_behind_tree.h"
#include "archiver/dll/ansi_text.h"
#include "archiver/dll/win_file_input.h"
#include "archiver/dll/win_output_tree.h"

namespace orvane::archiver {
namespace {

// What the extraction may hand the writer thread ahead of it.
constexpr size_t kWriteBehindBytes = size_t{16} << 20;

int32_t ResultFor(ErrorKind kind) {
  switch (kind) {
    case ErrorKind::kNotArchive:
      return kSevenZipNotArchive;
    case ErrorKind::kCorrupt:
      return kSevenZipCorrupt;
    case ErrorKind::kChecksum:
      return kSevenZipCrcMismatch;
    case ErrorKind::kUnsupported:
      return kSevenZipUnsupported;
    case ErrorKind::kEncrypted:
      return kSevenZipEncrypted;
    case ErrorKind::kUnsafePath:
      return kSevenZipUnsafeName;
    case ErrorKind::kNoMemory:
      return kSevenZipNoMemory;
    case ErrorKind::kReadFailed:
      return kSevenZipCannotOpen;
    case ErrorKind::kWriteFailed:
      return kSevenZipCannotWrite;
    case ErrorKind::kStopped:
      return kSevenZipStopped;
  }
  return kSevenZipCorrupt;
}

// Lets the owner's window work while the extraction blocks its thread: a
// click on Cancel or a close request reaches the wizard between files and
// chunks, and its answer comes back through the callback.
void DispatchPendingMessages() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      return;
    }
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

// 32-bit fields: sizes past 4 GiB are scaled down together, keeping the ratio.
void SetSizes(ExtractInfo& info, uint64_t size, uint64_t written) {
  while (size > 0xFFFFFFFFu) {
    size >>= 1;
    written >>= 1;
  }
  info.file_size = static_cast<uint32_t>(size);
  info.written_size = static_cast<uint32_t>(written);
}

class CallbackReporter : public ExtractObserver {
 public:
  CallbackReporter(const ProgressTarget& target, const WinOutputTree& tree)
      : target_(target), tree_(tree), message_(RegisterWindowMessageA("wm_arcextract")) {
    std::memset(&info_, 0, sizeof info_);
  }

  bool FileBegins(const Entry& entry) override {
    if (!target_.callback) return true;
    std::wstring name = Utf16ToWide(entry.name);
    for (wchar_t& c : name)
      if (c == L'/') c = L'\\';
    CopyAnsiTruncated(WideToAnsi(name), info_.source_name, sizeof info_.source_name);
    CopyAnsiTruncated(WideToAnsi(tree_.PathOf(SafePathComponents(entry.name))),
                      info_.destination_name, sizeof info_.destination_name);
    SetSizes(info_, entry.size, 0);
    return Report(kExtractFileBegins);
  }

  bool FileProgress(const Entry& entry, uint64_t written) override {
    if (!target_.callback) return true;
    SetSizes(info_, entry.size, written);
    return Report(kExtractFileProgress);
  }

 private:
  bool Report(ExtractState state) {
    // Every file begins with the owner's messages dispatched. Within a
    // file, blocks come far faster than anyone clicks, and under Wine each
    // look into the queue is a round trip to its server: a block
    // dispatches only when some time has passed since the last look.
    const DWORD now = GetTickCount();
    if (state == kExtractFileBegins || now - last_dispatch_ >= kBlockDispatchIntervalMs) {
      DispatchPendingMessages();
      last_dispatch_ = now;
    }
    return target_.callback(target_.owner, message_, state, &info_) != 0;
  }

  static constexpr DWORD kBlockDispatchIntervalMs = 15;

  ProgressTarget target_;
  const WinOutputTree& tree_;
  UINT message_;
  ExtractInfo info_;
  DWORD last_dispatch_ = 0;
};

}  // namespace

int32_t RunExtractCommand(const char* command_line, const ProgressTarget& target,
                          std::string* reason) {
  std::optional<ExtractCommand> command =
      command_line ? ParseExtractCommand(command_line) : std::nullopt;
  if (!command) {
    *reason = "command line is not: x \"ARCHIVE\" -hide -y \"FOLDER\\\" *";
    return kSevenZipBadCommand;
  }
  std::wstring archive = AnsiToWide(command->archive);
  std::wstring folder = AnsiToWide(command->output_folder);
  if (archive.empty() || folder.empty()) {
    *reason = "a path is not valid text in the system code page";
    return kSevenZipBadCommand;
  }
  try {
    WinFileInput input(archive);
    ArchiveDatabase db = ReadArchive(input);
    WinOutputTree tree(folder);
    CallbackReporter reporter(target, tree);
    // The callback still comes on this thread: only decoding, and making
    // and writing the files, move.
    std::unique_ptr<OutputTree> behind = MakeWriteBehindTree(tree, kWriteBehindBytes);
    DecodeLimits limits;
    limits.decode_on_threads = true;
    ExtractAll(input, db, behind.get(), &reporter, limits);
    return kSevenZipOk;
  } catch (const ArchiveError& e) {
    *reason = e.what();
    return ResultFor(e.kind());
  } catch (const std::bad_alloc&) {
    *reason = "out of memory";
    return kSevenZipNoMemory;
  } catch (const std::exception& e) {
    *reason = e.what();
    return kSevenZipCorrupt;
  }
}

bool CanExtractArchive(const char* path) {
  if (!path) return false;
  std::wstring wide = AnsiToWide(path);
  if (wide.empty()) return false;
  try {
    WinFileInput input(wide);
    ArchiveDatabase db = ReadArchive(input);
    DecodeLimits limits;
    for (const Folder& f : db.streams.folders) CheckFolderSupported(f, limits);
    for (const Entry& e : db.entries) SafePathComponents(e.name);
    return true;
  } catch (...) {
    return false;
  }
}

}  // namespace orvane::archiver
