#include "extractor.h"

#include <vector>

#include "archive_error.h"
#include "crc32.h"
#include "entry_path.h"
#include "prefetch_source.h"
#include "utf.h"

namespace orvane::archiver {
namespace {

constexpr size_t kCopyBufferSize = 1 << 18;
// What the folder being written may decode ahead of its files.
constexpr size_t kCurrentFolderAhead = size_t{8} << 20;

// Discards the file unless it was committed: no partial or wrong file stays.
class PendingFile {
 public:
  explicit PendingFile(std::unique_ptr<OutputFile> file) : file_(std::move(file)) {}
  ~PendingFile() {
    if (file_) {
      try {
        file_->Discard();
      } catch (...) {
      }
    }
  }
  PendingFile(const PendingFile&) = delete;
  PendingFile& operator=(const PendingFile&) = delete;
  void Write(const uint8_t* data, size_t size) {
    if (file_) file_->Write(data, size);
  }
  void Commit() {
    if (file_) file_->Commit();
    file_.reset();
  }

 private:
  std::unique_ptr<OutputFile> file_;
};

class Extraction {
 public:
  Extraction(RandomAccessInput& input, const ArchiveDatabase& db, OutputTree* tree,
             ExtractObserver* observer, const DecodeLimits& limits)
      : input_(input),
        db_(db),
        tree_(tree),
        observer_(observer),
        limits_(limits),
        locked_input_(input),
        buffer_(kCopyBufferSize) {}

  void Run() {
    // Nothing is written unless every name is safe and every folder decodable.
    std::vector<std::vector<std::u16string>> paths;
    paths.reserve(db_.entries.size());
    for (const Entry& e : db_.entries) paths.push_back(SafePathComponents(e.name));
    for (const Folder& f : db_.streams.folders) CheckFolderSupported(f, limits_);

    if (tree_) {
      for (size_t i = 0; i < db_.entries.size(); ++i)
        if (db_.entries[i].is_directory && !db_.entries[i].is_anti)
          tree_->MakeDirectory(db_.entries[i], paths[i]);
    }
    for (size_t i = 0; i < db_.entries.size(); ++i) {
      const Entry& e = db_.entries[i];
      if (e.is_directory || e.is_anti) continue;
      ExtractFile(e, paths[i]);
    }
    FinishFolder();
    if (tree_) tree_->Finish();
  }

 private:
  void ExtractFile(const Entry& e, const std::vector<std::u16string>& path) {
    if (observer_ && !observer_->FileBegins(e)) Fail(ErrorKind::kStopped, "stopped by the caller");
    if (e.has_stream) SeekFolder(e);
    PendingFile file(tree_ ? tree_->CreateOutputFile(e, path) : nullptr);
    uint32_t crc = 0;
    uint64_t written = 0;
    while (written < e.size) {
      size_t want = static_cast<size_t>(std::min<uint64_t>(buffer_.size(), e.size - written));
      size_t n = ReadFolder(buffer_.data(), want);
      crc = Crc32Update(crc, buffer_.data(), n);
      file.Write(buffer_.data(), n);
      written += n;
      if (observer_ && !observer_->FileProgress(e, written))
        Fail(ErrorKind::kStopped, "stopped by the caller");
    }
    if (e.crc && crc != *e.crc)
      Fail(ErrorKind::kChecksum, "CRC mismatch in \"" + Utf16ToUtf8(e.name) + "\"");
    file.Commit();
  }

  // Entries of a folder come in the order of their bytes.
  void SeekFolder(const Entry& e) {
    if (!source_ || e.folder != folder_) {
      FinishFolder();
      folder_ = e.folder;
      folder_position_ = 0;
      folder_crc_ = 0;
      const Folder& f = db_.streams.folders[folder_];
      check_folder_crc_ = f.unpack_crc && f.num_substreams != 1;
      if (next_ && next_folder_ == folder_) {
        source_ = std::move(next_);
      } else {
        next_.reset();
        source_ = OpenSource(folder_, kCurrentFolderAhead);
      }
      // Folders follow each other: the next one decodes while this one is
      // written.
      if (limits_.decode_on_threads && folder_ + 1 < db_.streams.folders.size()) {
        next_folder_ = folder_ + 1;
        next_ = OpenSource(next_folder_, kDecodeAheadBytes);
      }
    }
    if (e.offset_in_folder != folder_position_) FailCorrupt("entries are out of folder order");
  }

  ByteSourcePtr OpenSource(size_t folder, size_t ahead) {
    if (!limits_.decode_on_threads) return OpenFolder(input_, db_.streams, folder, limits_);
    return MakePrefetchingSource(
        [this, folder] { return OpenFolder(locked_input_, db_.streams, folder, limits_); }, ahead,
        chunks_);
  }

  size_t ReadFolder(uint8_t* out, size_t size) {
    size_t n = source_->Read(out, size);
    if (n == 0) FailCorrupt("folder ends before its files do");
    folder_position_ += n;
    // Only a folder of several files may carry a checksum of its own.
    if (check_folder_crc_) folder_crc_ = Crc32Update(folder_crc_, out, n);
    return n;
  }

  // A folder of several files may carry a CRC of its whole output.
  void FinishFolder() {
    if (!source_) return;
    const Folder& f = db_.streams.folders[folder_];
    if (check_folder_crc_) {
      while (folder_position_ < f.UnpackSize()) {
        size_t want = static_cast<size_t>(
            std::min<uint64_t>(buffer_.size(), f.UnpackSize() - folder_position_));
        ReadFolder(buffer_.data(), want);
      }
      if (folder_crc_ != *f.unpack_crc) Fail(ErrorKind::kChecksum, "CRC mismatch in a folder");
    }
    source_.reset();
  }

  RandomAccessInput& input_;
  const ArchiveDatabase& db_;
  OutputTree* tree_;
  ExtractObserver* observer_;
  const DecodeLimits& limits_;
  LockedInput locked_input_;
  std::vector<uint8_t> buffer_;
  ChunkPool chunks_;  // outlives the sources below
  // The next folder's decoding threads end before the current one's.
  ByteSourcePtr source_;
  ByteSourcePtr next_;
  size_t next_folder_ = 0;
  size_t folder_ = 0;
  uint64_t folder_position_ = 0;
  uint32_t folder_crc_ = 0;
  bool check_folder_crc_ = false;
};

}  // namespace

void ExtractAll(RandomAccessInput& input, const ArchiveDatabase& db, OutputTree* tree,
                ExtractObserver* observer, const DecodeLimits& limits) {
  Extraction(input, db, tree, observer, limits).Run();
}

}  // namespace orvane::archiver
