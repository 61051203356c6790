// Reading the parts of an HTTP/1.0 response header the worker relies on.
// The header is matched byte for byte: names in exactly the letter case
// given, values up to the next CR LF.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace orvane {

enum class StatusClass { kSuccess, kRedirection, kOther };

// Judged on the first 11 bytes, upper-cased: "HTTP/1.x 20" or "HTTP/1.x 30".
StatusClass ClassifyStatus(std::string_view header);

// True when the first 12 bytes, upper-cased, are "HTTP/1.x <code>".
bool HasStatusCode(std::string_view header, std::string_view code);

// Offset just past the first CR LF CR LF, or npos.
size_t HeaderEnd(std::string_view bytes);

// The text between `name` and the next CR LF; nullopt when the name or the
// CR LF after it is missing.
std::optional<std::string_view> HeaderValue(std::string_view header, std::string_view name);

// The body length the header declares: the number after "Content-Length:",
// when it is above 0.
std::optional<int32_t> DeclaredLength(std::string_view header);

// The announced body length: the declared one, or 1, the marker for
// "length unknown", when the header declares none.
int32_t AnnouncedLength(std::string_view header);

// The first byte of a 206 answer's "Content-Range: bytes a-b/c", if given.
std::optional<uint64_t> ContentRangeStart(std::string_view header);

// The address a redirection points to; empty when there is no "Location: ".
std::string RedirectLocation(std::string_view header);

// The request the worker sends, with the Range line when `resumeFrom` is set.
std::string BuildRequestText(std::string_view host, std::string_view path,
                             std::optional<uint32_t> resumeFrom);

}  // namespace orvane
