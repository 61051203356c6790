#include "startup/feed_version.h"

#include "base/number.h"
#include "base/text.h"

namespace orvane {

std::array<int64_t, 4> VersionParts(std::string_view version) {
  std::array<int64_t, 4> parts{};
  const auto texts = SplitAt(version, '.');
  for (size_t i = 0; i < parts.size() && i < texts.size(); ++i) {
    parts[i] = RoundHalfEven(ReadNumber(texts[i]));
  }
  return parts;
}

bool CompareVersions(std::string_view a, std::string_view b) {
  return VersionParts(a) < VersionParts(b);
}

}  // namespace orvane
