// The branch-call filters (x86 BCJ, ARM, ARMT, ARM64) and Delta: each
// turns its input stream back into the original bytes.
#pragma once

#include <cstdint>
#include <vector>

#include "byte_source.h"

namespace orvane::archiver {

enum class BranchFilter { kX86, kArm, kArmThumb, kArm64 };

ByteSourcePtr MakeBranchDecoder(BranchFilter filter, ByteSourcePtr input,
                                const std::vector<uint8_t>& properties);
ByteSourcePtr MakeDeltaDecoder(ByteSourcePtr input, const std::vector<uint8_t>& properties);

// In-place decoders over a buffer that starts at stream position `ip`;
// they return how many bytes are final (the rest needs more input).
size_t DecodeX86(uint8_t* data, size_t size, uint32_t ip, uint32_t* state);
size_t DecodeArm(uint8_t* data, size_t size, uint32_t ip);
size_t DecodeArmThumb(uint8_t* data, size_t size, uint32_t ip);
size_t DecodeArm64(uint8_t* data, size_t size, uint32_t ip);

}  // namespace orvane::archiver
