// orvane-scramble: the studio's side of the scrambled hexadecimal texts.
#include <cstdio>
#include <iostream>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "base/number.h"
#include "gbk_conversion.h"
#include "startup/feed_hex_text.h"
#include "startup/feed_rules.h"
#include "tool_arguments.h"
#include "tool_files.h"

namespace {

using namespace orvane;

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;

constexpr const char* kUsage =
    R"(usage: orvane-scramble encode [--key HEX | --key-length N] [--feed] [--raw] [-i FILE] [-o FILE]
       orvane-scramble decode [--feed] [--raw] [-i FILE] [-o FILE]

Scrambles a text into the hexadecimal form the wizard descrambles (the
update feed's payload, or a special-edition parameter list), or back.

  encode          read a plain text, write its scrambled form
  decode          read a scrambled form, write the plain text
  --key HEX       the key digits, 1 to 254 hexadecimal digits
  --key-length N  a random key of N digits (default 8 when --key is absent)
  --feed          encode: write a whole feed document, the scrambled text
                  between two "$Orvane$" markers; decode: read the payload
                  from between the first two markers of a feed document
  --raw           take and give bytes as they are; without it the plain
                  text is UTF-8 here and GBK inside the scrambled form
  -i FILE         input (default "-", standard input)
  -o FILE         output (default "-", standard output)

A plain text read as text loses one trailing line break; a scrambled text
loses surrounding blanks and line breaks. Exit codes: 0 done, 1 the input
cannot be carried or read, 2 usage error.
)";

struct Options {
  std::string command;
  std::optional<std::string> key;
  std::optional<size_t> keyLength;
  bool feed = false;
  bool raw = false;
  std::string input = "-";
  std::string output = "-";
};

int Fail(const std::string& message, int code = kExitFailed) {
  std::cerr << "orvane-scramble: " << message << "\n";
  return code;
}

std::optional<Options> ParseOptions(const std::vector<std::string>& args, std::string& error) {
  Options o;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    auto value = [&]() -> std::optional<std::string> {
      if (i + 1 >= args.size()) {
        error = a + " needs a value";
        return std::nullopt;
      }
      return args[++i];
    };
    if (a == "encode" || a == "decode") {
      if (!o.command.empty()) {
        error = "only one of encode and decode";
        return std::nullopt;
      }
      o.command = a;
    } else if (a == "--key") {
      if (!(o.key = value())) return std::nullopt;
    } else if (a == "--key-length") {
      const auto v = value();
      if (!v) return std::nullopt;
      if (v->empty() || v->find_first_not_of("0123456789") != std::string::npos || v->size() > 3) {
        error = "--key-length needs a number from 1 to " + std::to_string(kMaxKeyDigits);
        return std::nullopt;
      }
      o.keyLength = std::stoul(*v);
    } else if (a == "--feed") {
      o.feed = true;
    } else if (a == "--raw") {
      o.raw = true;
    } else if (a == "-i") {
      const auto v = value();
      if (!v) return std::nullopt;
      o.input = *v;
    } else if (a == "-o") {
      const auto v = value();
      if (!v) return std::nullopt;
      o.output = *v;
    } else {
      error = "unknown argument " + a;
      return std::nullopt;
    }
  }
  if (o.command.empty()) {
    error = "say encode or decode";
    return std::nullopt;
  }
  if (o.key && o.keyLength) {
    error = "--key and --key-length exclude each other";
    return std::nullopt;
  }
  return o;
}

std::string RandomKey(size_t length) {
  std::random_device device;
  std::uniform_int_distribution<int> digit(0, 15);
  std::string key;
  for (size_t i = 0; i < length; ++i) key.push_back("0123456789ABCDEF"[digit(device)]);
  return key;
}

std::string_view TrimSpace(std::string_view text) {
  const auto isSpace = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  while (!text.empty() && isSpace(text.front())) text.remove_prefix(1);
  while (!text.empty() && isSpace(text.back())) text.remove_suffix(1);
  return text;
}

int Encode(const Options& o, std::string plain) {
  if (!o.raw) {
    if (plain.ends_with("\r\n")) {
      plain.resize(plain.size() - 2);
    } else if (plain.ends_with("\n")) {
      plain.pop_back();
    }
    const auto gbk = tools::Utf8ToGbk(plain);
    if (!gbk) return Fail("the input is not UTF-8 text that GBK can carry (use --raw for bytes)");
    plain = *gbk;
  }
  const size_t length = o.keyLength.value_or(8);
  const std::string key = o.key ? *o.key : RandomKey(length);
  const ScrambleResult result = ScrambleHexText(plain, key);
  if (!result.error.empty()) return Fail(result.error);
  std::string out = result.text;
  if (o.feed) out = std::string(kFeedMarker) + out + std::string(kFeedMarker);
  out += "\n";
  if (!tools::WriteWholeFile(o.output, out)) return Fail("cannot write " + o.output);
  return kExitOk;
}

int Decode(const Options& o, const std::string& input) {
  std::string_view scrambled = input;
  if (o.feed) {
    const auto payload = FeedPayload(input);
    if (!payload) return Fail("no payload between two \"$Orvane$\" markers");
    scrambled = *payload;
  }
  scrambled = TrimSpace(scrambled);
  for (char c : scrambled) {
    if (HexDigitValue(c) < 0) {
      // The wizard reads such a character as 0; the studio wants to know.
      std::cerr << "orvane-scramble: warning: non-hexadecimal character in the input, read as 0\n";
      break;
    }
  }
  if (!scrambled.empty() && scrambled.size() < kMinScrambledLength) {
    std::cerr << "orvane-scramble: warning: fewer than " << kMinScrambledLength
              << " characters read back as nothing\n";
  }
  std::string plain = DecodeHexText(scrambled);
  if (!o.raw) {
    const auto utf8 = tools::GbkToUtf8(plain);
    if (!utf8) return Fail("the plain text is not GBK text (use --raw for bytes)");
    plain = *utf8 + "\n";
  }
  if (!tools::WriteWholeFile(o.output, plain)) return Fail("cannot write " + o.output);
  return kExitOk;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (tools::PrintedHelp(args, kUsage)) return kExitOk;
  std::string error;
  const auto options = ParseOptions(args, error);
  if (!options) return tools::UsageError("orvane-scramble", error, kUsage);
  const auto input = tools::ReadWholeFile(options->input);
  if (!input) return Fail("cannot read " + options->input);
  return options->command == "encode" ? Encode(*options, *input) : Decode(*options, *input);
}
