// What the studio's update server answers, apart from the HTTP plumbing:
// the download check value, where a requested file lies in the site
// folder, and the short indirection page.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace orvane::server {

// The client's random number r runs from 1 to 900.
inline constexpr int kMaxCheckRandom = 900;

// The check value a client sends for `fileName` (its bytes as stored) with
// random number r and key k: sum(c XOR r) * 1000 + (r XOR k), as a signed
// 32-bit number.
int32_t RequestCheckValueFor(std::string_view fileName, int r, int32_t key);

// True when some r in 1..900 gives `value` for this name and key.
bool CheckValueMatches(std::string_view fileName, int64_t value, int32_t key);

// A decimal number with an optional sign; none for anything else.
std::optional<int64_t> ParseDecimal(std::string_view text);

// The name the later download attempts ask for: lower case, ".exe" and
// ".qgi" made ".jpg", ".7z" made ".rar".
std::string MappedDownloadName(std::string_view fileName);

// Where the site keeps a mapped name: "dowfile/pipei/" for ".jpg" names,
// "dowfile/" for the others.
std::string DownloadLocation(std::string_view mappedName);

// A path below the site folder that cannot leave it: "/"-separated names,
// none empty, "." or "..", no "\" or NUL.
bool IsSafeSitePath(std::string_view path);

// The answer that sends the client on to `address`: the client takes the
// text after "URL=" up to the next double quote. None when the page would
// reach 1000 bytes, which the client would take for the file itself.
std::optional<std::string> IndirectionPage(std::string_view address);

// Pacing of file bodies (--pace-bytes-per-second), so that a download from
// loopback lasts long enough to be watched: the wait, `elapsed` after the
// body began, before the bytes following the first `sent` may go out at
// `bytesPerSecond`; zero when they are due already.
std::chrono::microseconds PaceDelay(uint64_t sent, uint64_t bytesPerSecond,
                                    std::chrono::microseconds elapsed);

// The piece of a paced body written at once: a tenth of a second's worth,
// at least one byte and at most `limit`.
size_t PacedChunkSize(uint64_t bytesPerSecond, size_t limit);

// Where a web server in front finds a site file: its internal location
// "/orvane-site/" and the path below the site folder, every byte but
// letters, digits, "-._~" and "/" percent-encoded.
std::string AccelRedirectTarget(std::string_view relative);

enum class PortAnswer { File, Indirection };

struct SiteConfig {
  PortAnswer portAnswer = PortAnswer::File;
  std::optional<int32_t> checkKey;
  std::string indirectHost;  // empty: the address the request came in on
};

// "key = value" lines: port_answer (file | indirect), check_key,
// indirect_host; "#" starts a comment line.
bool ParseSiteConfig(std::string_view text, SiteConfig& config, std::string& error);

}  // namespace orvane::server
