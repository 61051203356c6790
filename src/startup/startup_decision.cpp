#include "startup/startup_decision.h"

#include "base/number.h"

namespace orvane {

std::optional<SilentCheckRequest> ParseSilentCheckRequest(std::string_view commandLine) {
  if (commandLine.size() <= 3 || commandLine.substr(0, 2) != "zf") return std::nullopt;
  const size_t comma = commandLine.find(',');
  if (comma == std::string_view::npos) return std::nullopt;
  const std::string_view numberText = commandLine.substr(2, comma - 2);
  const int64_t n = RoundHalfEven(ReadNumber(numberText));
  if (n <= 10 || n >= 999) return std::nullopt;
  // Written back as plain decimal it must be the very text: "012" and
  // "12.0" do not ask for the check.
  if (std::to_string(n) != numberText) return std::nullopt;
  return SilentCheckRequest{static_cast<int32_t>(n), std::string(commandLine.substr(comma + 1))};
}

}  // namespace orvane
