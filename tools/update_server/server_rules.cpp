#include "server_rules.h"

#include <limits>

#include "base/text.h"

namespace orvane::server {

int32_t RequestCheckValueFor(std::string_view fileName, int r, int32_t key) {
  int64_t sum = 0;
  for (char c : fileName) sum += static_cast<unsigned char>(c) ^ r;
  const int64_t value = sum * 1000 + (r ^ key);
  // The client keeps it in a signed 32-bit number.
  return static_cast<int32_t>(static_cast<uint32_t>(value));
}

bool CheckValueMatches(std::string_view fileName, int64_t value, int32_t key) {
  for (int r = 1; r <= kMaxCheckRandom; ++r) {
    if (RequestCheckValueFor(fileName, r, key) == value) return true;
  }
  return false;
}

std::optional<int64_t> ParseDecimal(std::string_view text) {
  const bool negative = StartsWith(text, "-");
  if (negative || StartsWith(text, "+")) text.remove_prefix(1);
  if (text.empty() || text.size() > 18) return std::nullopt;
  int64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
  }
  return negative ? -value : value;
}

std::chrono::microseconds PaceDelay(uint64_t sent, uint64_t bytesPerSecond,
                                    std::chrono::microseconds elapsed) {
  if (bytesPerSecond == 0) return std::chrono::microseconds(0);
  // Whole seconds and the rest apart, so large counts cannot overflow.
  const uint64_t due =
      sent / bytesPerSecond * 1000000 + sent % bytesPerSecond * 1000000 / bytesPerSecond;
  const int64_t wait = static_cast<int64_t>(due) - elapsed.count();
  return std::chrono::microseconds(wait > 0 ? wait : 0);
}

size_t PacedChunkSize(uint64_t bytesPerSecond, size_t limit) {
  const uint64_t tenth = bytesPerSecond / 10;
  if (tenth == 0) return 1;
  return tenth < limit ? static_cast<size_t>(tenth) : limit;
}

std::string MappedDownloadName(std::string_view fileName) {
  std::string name = ToLowerAscii(fileName);
  name = ReplaceAll(name, ".exe", ".jpg");
  name = ReplaceAll(name, ".qgi", ".jpg");
  return ReplaceAll(name, ".7z", ".rar");
}

std::string DownloadLocation(std::string_view mappedName) {
  const std::string folder = mappedName.ends_with(".jpg") ? "dowfile/pipei/" : "dowfile/";
  return folder + std::string(mappedName);
}

bool IsSafeSitePath(std::string_view path) {
  if (path.empty()) return false;
  for (const std::string& part : SplitAt(path, '/')) {
    if (part.empty() || part == "." || part == "..") return false;
    if (part.find('\\') != std::string::npos || part.find('\0') != std::string::npos) return false;
  }
  return true;
}

std::string AccelRedirectTarget(std::string_view relative) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string target = "/orvane-site/";
  for (const char c : relative) {
    const auto u = static_cast<unsigned char>(c);
    if ((u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') ||
        std::string_view("-._~/").find(c) != std::string_view::npos) {
      target += c;
    } else {
      target += '%';
      target += kHex[u >> 4];
      target += kHex[u & 15];
    }
  }
  return target;
}

std::optional<std::string> IndirectionPage(std::string_view address) {
  if (address.find('"') != address.npos) return std::nullopt;
  std::string page = "<html><head><meta http-equiv=\"refresh\" content=\"0; URL=";
  page.append(address);
  page += "\"></head><body></body></html>\r\n";
  if (page.size() >= 1000) return std::nullopt;
  return page;
}

bool ParseSiteConfig(std::string_view text, SiteConfig& config, std::string& error) {
  int number = 0;
  for (const std::string& raw : SplitAt(text, '\n')) {
    ++number;
    std::string_view line = raw;
    if (line.ends_with('\r')) line.remove_suffix(1);
    line = TrimBlanks(line);
    if (line.empty() || line.starts_with('#')) continue;
    const size_t eq = line.find('=');
    const std::string where = "line " + std::to_string(number) + ": ";
    if (eq == line.npos) {
      error = where + "expected key = value";
      return false;
    }
    const std::string_view key = TrimBlanks(line.substr(0, eq));
    const std::string_view value = TrimBlanks(line.substr(eq + 1));
    if (key == "port_answer") {
      if (value == "file") {
        config.portAnswer = PortAnswer::File;
      } else if (value == "indirect") {
        config.portAnswer = PortAnswer::Indirection;
      } else {
        error = where + "port_answer is file or indirect";
        return false;
      }
    } else if (key == "check_key") {
      const auto k = ParseDecimal(value);
      if (!k || *k < std::numeric_limits<int32_t>::min() ||
          *k > std::numeric_limits<int32_t>::max()) {
        error = where + "check_key is a whole number";
        return false;
      }
      config.checkKey = static_cast<int32_t>(*k);
    } else if (key == "indirect_host") {
      config.indirectHost = std::string(value);
    } else {
      error = where + "unknown key " + std::string(key);
      return false;
    }
  }
  return true;
}

}  // namespace orvane::server
