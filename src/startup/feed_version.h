// Version order of the update feed: up to four dot-separated numeric parts.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace orvane {

// The four parts of a version text; missing parts are 0, parts after the
// fourth are ignored, each part is read as a rounded number (" 7b" is 7).
std::array<int64_t, 4> VersionParts(std::string_view version);

// True when version a is older than version b ("1.9" older than "1.10";
// "1.2" and "1.2.0.0" are equal, so neither is older).
bool CompareVersions(std::string_view a, std::string_view b);

}  // namespace orvane
