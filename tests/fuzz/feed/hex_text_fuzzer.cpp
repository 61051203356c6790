// Scrambled texts from the command line and the feed: descrambling and
// splitting never fail, and scrambling any bytes with any key the layout
// can announce gives them back.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "package/package_parameters.h"
#include "startup/feed_hex_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);

  const std::string text = orvane::DecodeHexText(input);
  if (input.size() < orvane::kMinScrambledLength && !text.empty()) std::abort();
  if (text.size() > input.size() / 2 + 1) std::abort();
  const auto fields = orvane::ParameterFields(input);
  size_t joined = fields.empty() ? 0 : fields.size() - 1;
  for (const auto& f : fields) joined += f.size();
  if (joined != text.size()) std::abort();
  orvane::EvaluatePackageParameters(input, "C:\\Apps\\");

  // Round trip: the first byte sets the key length, the next ones the key.
  if (size == 0) return 0;
  const size_t keyLength = 1 + data[0] % 32;
  if (size < 1 + keyLength) return 0;
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string key;
  for (size_t i = 0; i < keyLength; ++i) key.push_back(kDigits[data[1 + i] % 16]);
  const std::string_view plain = input.substr(1 + keyLength);
  const auto scrambled = orvane::ScrambleHexText(plain, key);
  if (scrambled.error.empty() && orvane::DecodeHexText(scrambled.text) != plain) std::abort();
  if (!scrambled.error.empty() && 2 + key.size() + 2 * plain.size() >= 10) std::abort();
  return 0;
}
