#include "gbk_conversion.h"

#include <iconv.h>

#include <cerrno>

namespace orvane::tools {

namespace {

// One iconv descriptor per conversion, closed on every path.
class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Converter() {
    if (cd_ != reinterpret_cast<iconv_t>(-1)) iconv_close(cd_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  std::optional<std::string> Run(std::string_view input) {
    if (cd_ == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
    std::string in(input);
    std::string out(in.size() * 2 + 16, '\0');
    char* inPtr = in.data();
    size_t inLeft = in.size();
    char* outPtr = out.data();
    size_t outLeft = out.size();
    while (inLeft > 0) {
      if (iconv(cd_, &inPtr, &inLeft, &outPtr, &outLeft) != static_cast<size_t>(-1)) continue;
      if (errno != E2BIG) return std::nullopt;  // invalid or unrepresentable input
      const size_t used = out.size() - outLeft;
      out.resize(out.size() * 2);
      outPtr = out.data() + used;
      outLeft = out.size() - used;
    }
    out.resize(out.size() - outLeft);
    return out;
  }

 private:
  iconv_t cd_;
};

}  // namespace

std::optional<std::string> Utf8ToGbk(std::string_view utf8) {
  return Converter("GBK", "UTF-8").Run(utf8);
}

std::optional<std::string> GbkToUtf8(std::string_view gbk) {
  return Converter("UTF-8", "GBK").Run(gbk);
}

}  // namespace orvane::tools
