// Writing a package's information block, for the studio's stamping tool.
// Every value must survive the reader unchanged: no value longer than its
// field, no line break or NUL inside a value, and the block where the
// reader looks for it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace orvane {

// The values to write; a key without a value is left out of the block.
// Texts are GBK bytes.
struct InfoBlockValues {
  std::optional<int32_t> id;
  std::optional<std::string> name;
  std::optional<std::string> fileName;
  std::optional<std::string> version;
  std::optional<std::string> date;
  std::optional<std::string> description;
};

struct InfoBlockText {
  std::string block;  // marker line and key lines, each ended by CR LF
  std::string error;  // empty on success
};

InfoBlockText FormatInfoBlock(const InfoBlockValues& values);

// Why the block cannot be appended to a file of `fileSize` bytes whose
// last bytes are `tail` (up to 2000 of them); empty when it can.
std::string CheckBlockPlacement(uint64_t fileSize, std::string_view tail, size_t blockSize);

}  // namespace orvane
