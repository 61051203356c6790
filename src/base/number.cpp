#include "base/number.h"

#include <cmath>
#include <cstdlib>
#include <limits>

namespace orvane {

namespace {
bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}
}  // namespace

double ReadNumber(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  const size_t start = i;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  size_t digits = 0;
  while (i < text.size() && IsDigit(text[i])) ++i, ++digits;
  if (i < text.size() && text[i] == '.') {
    size_t j = i + 1;
    size_t fraction = 0;
    while (j < text.size() && IsDigit(text[j])) ++j, ++fraction;
    if (digits + fraction > 0) {
      i = j;
      digits += fraction;
    }
  }
  if (digits == 0) return 0.0;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    size_t j = i + 1;
    if (j < text.size() && (text[j] == '+' || text[j] == '-')) ++j;
    if (j < text.size() && IsDigit(text[j])) {
      while (j < text.size() && IsDigit(text[j])) ++j;
      i = j;
    }
  }
  const std::string prefix(text.substr(start, i - start));
  const double value = std::strtod(prefix.c_str(), nullptr);
  return std::isfinite(value) ? value : 0.0;
}

int64_t RoundHalfEven(double value) {
  if (std::isnan(value)) return 0;
  constexpr double kMax = 9.2e18;
  if (value >= kMax) return std::numeric_limits<int64_t>::max();
  if (value <= -kMax) return std::numeric_limits<int64_t>::min();
  const double floor = std::floor(value);
  const double diff = value - floor;
  auto result = static_cast<int64_t>(floor);
  if (diff > 0.5 || (diff == 0.5 && (result % 2 != 0))) ++result;
  return result;
}

int32_t ReadRoundedInt(std::string_view text) {
  const int64_t v = RoundHalfEven(ReadNumber(text));
  if (v > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
  if (v < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(v);
}

int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace orvane
