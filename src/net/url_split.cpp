#include "net/url_split.h"

#include "base/text.h"

namespace orvane {

namespace {

// Only the space character counts as a blank in addresses.
std::string_view TrimSpaces(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

bool HasSchemePrefix(std::string_view text, std::string_view scheme) {
  return text.size() >= scheme.size() &&
         EqualsIgnoreCaseAscii(text.substr(0, scheme.size()), scheme);
}

}  // namespace

void SplitUrl(std::string_view url, std::string& host, std::string& path, int32_t& port) {
  std::string_view rest = TrimSpaces(url);
  bool absolute = false;
  if (HasSchemePrefix(rest, "http://")) {
    rest.remove_prefix(7);
    absolute = true;
  } else if (HasSchemePrefix(rest, "https://")) {
    rest.remove_prefix(8);
    absolute = true;
  }
  if (absolute) {
    port = 80;
  } else if (port == 0) {
    port = 80;
  }

  if (absolute || host.empty()) {
    const size_t slash = rest.find('/');
    if (slash == std::string_view::npos) {
      host = std::string(TrimSpaces(rest));
      path.clear();
    } else {
      host = std::string(TrimSpaces(rest.substr(0, slash)));
      path = std::string(TrimSpaces(rest.substr(slash + 1)));
    }
    return;
  }
  rest = TrimSpaces(rest);
  if (!rest.empty() && rest.front() == '/') rest.remove_prefix(1);
  path = std::string(rest);
}

}  // namespace orvane
