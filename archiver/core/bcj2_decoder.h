// BCJ2: x86 code split into four streams (main bytes, CALL targets, JUMP
// targets, range-coded flags) by 7-Zip's strongest x86 filter.
#pragma once

#include <array>

#include "byte_source.h"

namespace orvane::archiver {

ByteSourcePtr MakeBcj2Decoder(std::array<ByteSourcePtr, 4> inputs);

}  // namespace orvane::archiver
