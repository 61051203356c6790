#include "net/http_response.h"

#include "base/number.h"
#include "base/text.h"

namespace orvane {

StatusClass ClassifyStatus(std::string_view header) {
  if (header.size() < 11) return StatusClass::kOther;
  const std::string head = ToUpperAscii(header.substr(0, 11));
  if (head == "HTTP/1.1 30" || head == "HTTP/1.0 30") return StatusClass::kRedirection;
  if (head == "HTTP/1.1 20" || head == "HTTP/1.0 20") return StatusClass::kSuccess;
  return StatusClass::kOther;
}

bool HasStatusCode(std::string_view header, std::string_view code) {
  if (header.size() < 12) return false;
  const std::string head = ToUpperAscii(header.substr(0, 12));
  return head.substr(9) == code && (StartsWith(head, "HTTP/1.1 ") || StartsWith(head, "HTTP/1.0 "));
}

size_t HeaderEnd(std::string_view bytes) {
  const size_t at = bytes.find("\r\n\r\n");
  return at == std::string_view::npos ? at : at + 4;
}

std::optional<std::string_view> HeaderValue(std::string_view header, std::string_view name) {
  const size_t at = header.find(name);
  if (at == std::string_view::npos) return std::nullopt;
  const size_t start = at + name.size();
  const size_t end = header.find("\r\n", start);
  if (end == std::string_view::npos) return std::nullopt;
  return header.substr(start, end - start);
}

std::optional<int32_t> DeclaredLength(std::string_view header) {
  const auto value = HeaderValue(header, "Content-Length:");
  const int32_t length = value ? ReadRoundedInt(*value) : 0;
  if (length <= 0) return std::nullopt;
  return length;
}

int32_t AnnouncedLength(std::string_view header) {
  return DeclaredLength(header).value_or(1);
}

std::optional<uint64_t> ContentRangeStart(std::string_view header) {
  const auto value = HeaderValue(header, "Content-Range:");
  if (!value) return std::nullopt;
  std::string_view text = TrimBlanks(*value);
  if (!StartsWith(ToLowerAscii(text.substr(0, 6)), "bytes ")) return std::nullopt;
  text = TrimBlanks(text.substr(6));
  uint64_t start = 0;
  size_t digits = 0;
  for (; digits < text.size() && text[digits] >= '0' && text[digits] <= '9'; ++digits) {
    if (start > (UINT64_MAX - 9) / 10) return std::nullopt;
    start = start * 10 + static_cast<uint64_t>(text[digits] - '0');
  }
  if (digits == 0) return std::nullopt;
  return start;
}

std::string RedirectLocation(std::string_view header) {
  const auto value = HeaderValue(header, "Location: ");
  return value ? std::string(*value) : std::string();
}

std::string BuildRequestText(std::string_view host, std::string_view path,
                             std::optional<uint32_t> resumeFrom) {
  std::string text;
  text.reserve(128 + host.size() + path.size());
  text.append("GET /").append(path).append(" HTTP/1.0\r\n");
  text.append("Host: ").append(host).append("\r\n");
  text.append("Connection: close\r\n");
  if (resumeFrom) text.append("Range: bytes=").append(std::to_string(*resumeFrom)).append("-\r\n");
  text.append("User-Agent: GetHTTP 0.0\r\n\r\n");
  return text;
}

}  // namespace orvane
