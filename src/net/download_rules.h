// The rules of a file download that need no window: the server address of
// each attempt, the check value of the first one, the judgement of a short
// answer and its "URL=" indirection, and the progress line.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace orvane {

// The file name as the mirror servers store it: lower case, ".exe" and
// ".qgi" become ".jpg", ".7z" becomes ".rar".
std::string MappedDownloadName(std::string_view fileName);

// s * 1000 + (r XOR key), s being the sum of (byte XOR r) over the name's
// bytes; wraps like a signed 32-bit number.
int32_t RequestCheckValue(std::string_view fileName, int32_t r, int32_t key);

// r for RequestCheckValue from a random fraction in [0, 1): 1 to 900.
int32_t CheckRandomFromFraction(double fraction);

// Address of attempt 1 (first update host, check value) or 2 and 3 (the
// second update host and the web-site host, mapped name).
std::string DownloadAddress(int attempt, std::string_view host, std::string_view fileName,
                            int32_t checkValue);

enum class AnswerVerdict {
  kTooShort,  // under 30 bytes: the attempt failed
  kExamine,   // 30 to 999 bytes: may name the real address after "URL="
  kAccepted,  // 1000 bytes or more: the file itself
};
AnswerVerdict JudgeAnswerSize(uint64_t size);

// The address after "URL=" up to the first double quote; nullopt when
// either is missing (the answer is then the file itself).
std::optional<std::string> IndirectionAddress(std::string_view answer);

// wParam / lParam * 100, wParam unsigned and lParam signed.
double ProgressPercent(uint32_t position, int32_t announcedLength);

// "下载【name】中..完成:1024KB(50.00%)/共:2048KB"
std::string ProgressStatusText(std::string_view name, uint32_t position, int32_t announcedLength);

// The bar position: the percentage rounded to the nearest integer.
int32_t ProgressBarPosition(uint32_t position, int32_t announcedLength);

}  // namespace orvane
