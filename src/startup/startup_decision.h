// The start-up decision's reading of the command line: only the form
// "zf" N "," V asks for the silent update check before any window.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace orvane {

struct SilentCheckRequest {
  int32_t product = 0;  // N, 11..998
  std::string version;  // V, may be empty
};

// The request when the command line is exactly "zf" N "," V with N written
// as a plain decimal 11..998 (no sign, fraction or leading zero); otherwise
// nothing, and the wizard opens without a check.
std::optional<SilentCheckRequest> ParseSilentCheckRequest(std::string_view commandLine);

}  // namespace orvane
