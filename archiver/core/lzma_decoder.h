// LZMA and LZMA2 decoders as byte sources, on the LZMA SDK's LzmaDec.
// The SDK's types stay inside lzma_decoder.cpp.
#pragma once

#include <cstdint>
#include <vector>

#include "byte_source.h"

namespace orvane::archiver {

// `output_size` bytes are produced; the dictionary never exceeds it nor
// `max_dictionary` (a larger one fails with kNoMemory before allocating).
ByteSourcePtr MakeLzmaDecoder(ByteSourcePtr input, const std::vector<uint8_t>& properties,
                              uint64_t output_size, uint64_t max_dictionary);
ByteSourcePtr MakeLzma2Decoder(ByteSourcePtr input, const std::vector<uint8_t>& properties,
                               uint64_t output_size, uint64_t max_dictionary);

// The dictionary a decoder of these properties would allocate for this
// output size: used to check limits before decoding starts.
uint64_t LzmaDictionarySize(const std::vector<uint8_t>& properties, uint64_t output_size);
uint64_t Lzma2DictionarySize(const std::vector<uint8_t>& properties, uint64_t output_size);

}  // namespace orvane::archiver
