// Texts cut to fit the one-line status label.
#pragma once

#include <string>
#include <string_view>

namespace orvane {

// The text cut to exactly `width` bytes and ending in dots when it is
// longer than that; unchanged otherwise. Widths below 4 give only dots
// (nothing for 0 or less). A double-byte character is never split: where
// the cut would fall inside one, one more dot takes its place.
std::string FitText(std::string_view text, int width);

// A path longer than `width` bytes with its folder part shortened by
// FitText so that folder and whole file name together take `width` bytes.
// A file name of `width` bytes or more is returned alone.
std::string ShortenPathForDisplay(std::string_view path, int width);

}  // namespace orvane
