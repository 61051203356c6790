#include "folder_decoder.h"

#include <algorithm>
#include <array>
#include <vector>

#include "archive_error.h"
#include "bcj2_decoder.h"
#include "branch_filters.h"
#include "lzma_decoder.h"

namespace orvane::archiver {
namespace {

enum class Method { kCopy, kLzma, kLzma2, kX86, kBcj2, kArm, kArmThumb, kArm64, kDelta };

uint64_t MethodId(const CoderInfo& coder) {
  uint64_t id = 0;
  for (uint8_t b : coder.method_id) id = (id << 8) | b;
  return id;
}

constexpr uint64_t k7zAes = 0x06F10701;

struct KnownMethod {
  uint64_t id;
  const char* name;
};

// Methods 7-Zip writes that this reader does not decode: named in messages.
constexpr KnownMethod kOtherMethods[] = {
    {0x030401, "PPMD"},    {0x040202, "BZip2"},   {0x040108, "Deflate"}, {0x040109, "Deflate64"},
    {0x03030205, "PPC"},   {0x03030805, "SPARC"}, {0x03030401, "IA64"},  {0x05, "PPC"},
    {0x06, "IA64"},        {0x09, "SPARC"},       {0x0B, "RISCV"},       {0x04F71101, "Zstandard"},
    {0x06F10701, "7zAES"},
};

bool LookUp(const CoderInfo& coder, Method* method) {
  if (coder.num_out_streams != 1) return false;
  uint64_t id = MethodId(coder);
  uint32_t ins = coder.num_in_streams;
  if (coder.method_id.empty()) return false;
  switch (id) {
    case 0x00:
      *method = Method::kCopy;
      break;
    case 0x030101:
      *method = Method::kLzma;
      break;
    case 0x21:
      *method = Method::kLzma2;
      break;
    case 0x03030103:
    case 0x04:
      *method = Method::kX86;
      break;
    case 0x0303011B:
      *method = Method::kBcj2;
      return ins == 4;
    case 0x03030501:
    case 0x07:
      *method = Method::kArm;
      break;
    case 0x03030701:
    case 0x08:
      *method = Method::kArmThumb;
      break;
    case 0x0A:
      *method = Method::kArm64;
      break;
    case 0x03:
      *method = Method::kDelta;
      break;
    default:
      return false;
  }
  return ins == 1;
}

// Pack stream bytes, read straight from the archive.
class PackSource : public ByteSource {
 public:
  PackSource(RandomAccessInput& input, PackStream stream)
      : input_(input), offset_(stream.offset), remaining_(stream.size) {}
  size_t Read(uint8_t* out, size_t size) override {
    size_t n = static_cast<size_t>(std::min<uint64_t>(size, remaining_));
    if (n == 0) return 0;
    input_.ReadAt(offset_, out, n);
    offset_ += n;
    remaining_ -= n;
    return n;
  }

 private:
  RandomAccessInput& input_;
  uint64_t offset_;
  uint64_t remaining_;
};

// Every coder output is held to its declared size: a short stream is an
// error, extra bytes are never read.
class ExactSizeSource : public ByteSource {
 public:
  ExactSizeSource(ByteSourcePtr inner, uint64_t size)
      : inner_(std::move(inner)), remaining_(size) {}
  size_t Read(uint8_t* out, size_t size) override {
    size_t want = static_cast<size_t>(std::min<uint64_t>(size, remaining_));
    if (want == 0) return 0;
    size_t n = inner_->Read(out, want);
    if (n == 0) FailCorrupt("a coder produced fewer bytes than declared");
    remaining_ -= n;
    return n;
  }

 private:
  ByteSourcePtr inner_;
  uint64_t remaining_;
};

class FolderGraph {
 public:
  FolderGraph(RandomAccessInput& input, const StreamsInfo& streams, const Folder& folder,
              const DecodeLimits& limits)
      : input_(input),
        streams_(streams),
        folder_(folder),
        limits_(limits),
        visiting_(folder.coders.size(), 0) {
    uint32_t in = 0, out = 0;
    for (const CoderInfo& c : folder.coders) {
      first_in_.push_back(in);
      first_out_.push_back(out);
      in += c.num_in_streams;
      out += c.num_out_streams;
    }
  }

  ByteSourcePtr OpenOutput(uint32_t out_index) {
    size_t coder = CoderOfOutput(out_index);
    if (visiting_[coder]) FailCorrupt("bind pairs form a cycle");
    visiting_[coder] = true;
    const CoderInfo& info = folder_.coders[coder];
    std::vector<ByteSourcePtr> inputs;
    for (uint32_t k = 0; k < info.num_in_streams; ++k)
      inputs.push_back(OpenInput(first_in_[coder] + k));
    visiting_[coder] = false;
    uint64_t size = folder_.unpack_sizes[out_index];
    return std::make_unique<ExactSizeSource>(MakeCoder(info, std::move(inputs), size), size);
  }

 private:
  size_t CoderOfOutput(uint32_t out_index) const {
    for (size_t c = folder_.coders.size(); c-- > 0;)
      if (first_out_[c] <= out_index) return c;
    FailCorrupt("bind pair names a missing coder output");
  }

  ByteSourcePtr OpenInput(uint32_t in_index) {
    for (const BindPair& bp : folder_.bind_pairs)
      if (bp.in_index == in_index) return OpenOutput(bp.out_index);
    for (size_t p = 0; p < folder_.packed_streams.size(); ++p) {
      if (folder_.packed_streams[p] != in_index) continue;
      size_t index = folder_.first_pack_stream + p;
      if (index >= streams_.pack_streams.size()) FailCorrupt("folder names a missing pack stream");
      return std::make_unique<PackSource>(input_, streams_.pack_streams[index]);
    }
    FailCorrupt("a coder input is fed by nothing");
  }

  ByteSourcePtr MakeCoder(const CoderInfo& info, std::vector<ByteSourcePtr> in, uint64_t size) {
    Method method;
    if (!LookUp(info, &method))
      Fail(ErrorKind::kUnsupported, "unsupported method " + MethodName(info));
    switch (method) {
      case Method::kCopy:
        return std::move(in[0]);
      case Method::kLzma:
        return MakeLzmaDecoder(std::move(in[0]), info.properties, size, limits_.max_dictionary);
      case Method::kLzma2:
        return MakeLzma2Decoder(std::move(in[0]), info.properties, size, limits_.max_dictionary);
      case Method::kX86:
        return MakeBranchDecoder(BranchFilter::kX86, std::move(in[0]), info.properties);
      case Method::kArm:
        return MakeBranchDecoder(BranchFilter::kArm, std::move(in[0]), info.properties);
      case Method::kArmThumb:
        return MakeBranchDecoder(BranchFilter::kArmThumb, std::move(in[0]), info.properties);
      case Method::kArm64:
        return MakeBranchDecoder(BranchFilter::kArm64, std::move(in[0]), info.properties);
      case Method::kDelta:
        return MakeDeltaDecoder(std::move(in[0]), info.properties);
      case Method::kBcj2:
        return MakeBcj2Decoder(
            {std::move(in[0]), std::move(in[1]), std::move(in[2]), std::move(in[3])});
    }
    Fail(ErrorKind::kUnsupported, "unsupported method " + MethodName(info));
  }

  RandomAccessInput& input_;
  const StreamsInfo& streams_;
  const Folder& folder_;
  const DecodeLimits& limits_;
  std::vector<uint8_t> visiting_;  // one 0 or 1 a coder
  std::vector<uint32_t> first_in_, first_out_;
};

}  // namespace

std::string MethodName(const CoderInfo& coder) {
  Method method;
  if (LookUp(coder, &method)) {
    switch (method) {
      case Method::kCopy:
        return "Copy";
      case Method::kLzma:
        return "LZMA";
      case Method::kLzma2:
        return "LZMA2";
      case Method::kX86:
        return "BCJ";
      case Method::kBcj2:
        return "BCJ2";
      case Method::kArm:
        return "ARM";
      case Method::kArmThumb:
        return "ARMT";
      case Method::kArm64:
        return "ARM64";
      case Method::kDelta:
        return "Delta";
    }
  }
  uint64_t id = MethodId(coder);
  for (const KnownMethod& m : kOtherMethods)
    if (m.id == id) return m.name;
  // By hand rather than printf, whose formatting code would double the
  // size of the archiver library.
  constexpr char kHexDigits[] = "0123456789ABCDEF";
  std::string hex;
  for (uint8_t b : coder.method_id) {
    hex += kHexDigits[b >> 4];
    hex += kHexDigits[b & 0x0F];
  }
  return "id " + (hex.empty() ? std::string("(empty)") : hex);
}

void CheckFolderSupported(const Folder& folder, const DecodeLimits& limits) {
  uint32_t out = 0;
  for (const CoderInfo& coder : folder.coders) {
    if (MethodId(coder) == k7zAes)
      Fail(ErrorKind::kEncrypted, "archive is encrypted (7zAES); passwords are not supported");
    Method method;
    if (!LookUp(coder, &method))
      Fail(ErrorKind::kUnsupported, "unsupported method " + MethodName(coder));
    uint64_t size = folder.unpack_sizes[out];
    uint64_t dictionary = 0;
    if (method == Method::kLzma) dictionary = LzmaDictionarySize(coder.properties, size);
    if (method == Method::kLzma2) dictionary = Lzma2DictionarySize(coder.properties, size);
    if (dictionary > limits.max_dictionary)
      Fail(ErrorKind::kNoMemory,
           "dictionary of " + std::to_string(dictionary) + " bytes is over the limit");
    out += coder.num_out_streams;
  }
}

ByteSourcePtr OpenFolder(RandomAccessInput& input, const StreamsInfo& streams, size_t folder_index,
                         const DecodeLimits& limits) {
  const Folder& folder = streams.folders.at(folder_index);
  CheckFolderSupported(folder, limits);
  FolderGraph graph(input, streams, folder, limits);
  return graph.OpenOutput(folder.main_output);
}

}  // namespace orvane::archiver
