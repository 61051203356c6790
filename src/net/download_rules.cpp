#include "net/download_rules.h"

#include <cstdio>

#include "base/number.h"
#include "base/text.h"

namespace orvane {

namespace {
constexpr uint64_t kShortestAnswer = 30;
constexpr uint64_t kLongestIndirection = 1000;
}  // namespace

std::string MappedDownloadName(std::string_view fileName) {
  std::string name = ToLowerAscii(fileName);
  name = ReplaceAll(name, ".exe", ".jpg");
  name = ReplaceAll(name, ".qgi", ".jpg");
  return ReplaceAll(name, ".7z", ".rar");
}

int32_t RequestCheckValue(std::string_view fileName, int32_t r, int32_t key) {
  uint32_t sum = 0;
  for (const char c : fileName) sum += static_cast<uint32_t>(static_cast<unsigned char>(c) ^ r);
  const uint32_t value = sum * 1000u + static_cast<uint32_t>(r ^ key);
  return static_cast<int32_t>(value);
}

int32_t CheckRandomFromFraction(double fraction) {
  return static_cast<int32_t>(RoundHalfEven(1.0 + fraction * 899.0));
}

std::string DownloadAddress(int attempt, std::string_view host, std::string_view fileName,
                            int32_t checkValue) {
  std::string address = "http://" + std::string(host);
  if (attempt == 1) {
    return address + "/port.php?c=do&a=" + std::string(fileName) +
           "&b=" + std::to_string(checkValue);
  }
  const std::string mapped = MappedDownloadName(fileName);
  const bool picture = mapped.size() >= 4 && mapped.compare(mapped.size() - 4, 4, ".jpg") == 0;
  return address + (picture ? "/dowfile/pipei/" : "/dowfile/") + mapped;
}

AnswerVerdict JudgeAnswerSize(uint64_t size) {
  if (size < kShortestAnswer) return AnswerVerdict::kTooShort;
  if (size < kLongestIndirection) return AnswerVerdict::kExamine;
  return AnswerVerdict::kAccepted;
}

std::optional<std::string> IndirectionAddress(std::string_view answer) {
  const size_t marker = answer.find("URL=");
  if (marker == std::string_view::npos) return std::nullopt;
  const size_t start = marker + 4;
  const size_t quote = answer.find('"', start);
  if (quote == std::string_view::npos) return std::nullopt;
  return std::string(answer.substr(start, quote - start));
}

double ProgressPercent(uint32_t position, int32_t announcedLength) {
  return static_cast<double>(position) / static_cast<double>(announcedLength) * 100.0;
}

std::string ProgressStatusText(std::string_view name, uint32_t position, int32_t announcedLength) {
  char percent[64];
  std::snprintf(percent, sizeof percent, "%.2f", ProgressPercent(position, announcedLength));
  return "下载【" + std::string(name) + "】中..完成:" + std::to_string(position >> 10) + "KB(" +
         percent + "%)/共:" + std::to_string(announcedLength / 1024) + "KB";
}

int32_t ProgressBarPosition(uint32_t position, int32_t announcedLength) {
  const int64_t rounded = RoundHalfEven(ProgressPercent(position, announcedLength));
  if (rounded > INT32_MAX) return INT32_MAX;
  if (rounded < INT32_MIN) return INT32_MIN;
  return static_cast<int32_t>(rounded);
}

}  // namespace orvane
