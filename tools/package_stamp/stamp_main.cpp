// orvane-stamp: appends the information block the wizard reads at the end
// of a package, shows the block of an existing package, and signs and
// checks what the studio publishes.
#include <cerrno>
#include <cstdlib>
#include <iostream>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "base/text.h"
#include "gbk_conversion.h"
#include "package/info_block.h"
#include "package/info_block_writer.h"
#include "package/package_file.h"
#include "signature_commands.h"
#include "tool_arguments.h"
#include "tool_files.h"

namespace {

using namespace orvane;
using tools::Fail;
using tools::kExitNoBlock;
using tools::kExitOk;

// UTF-8 for the terminal, whatever the execution character set of narrow
// literals (GBK in this build).
constexpr const char8_t* kUsageText =
    u8R"(usage: orvane-stamp write PACKAGE [--values FILE] [--id N] [--name TEXT]
                           [--file-name TEXT] [--version TEXT] [--date TEXT]
                           [--description TEXT] [--sign-key PRIVATE_KEY_FILE]
       orvane-stamp read PACKAGE [--raw]
       orvane-stamp keygen PRIVATE_KEY_FILE
       orvane-stamp public-key PRIVATE_KEY_FILE
       orvane-stamp sign FILE --key PRIVATE_KEY_FILE
       orvane-stamp verify FILE (--public-key HEX[,HEX...] | --public-key-file F)

write  appends the information block to PACKAGE (any file, usually the
       product's 7z archive). Only the values given are written. Texts are
       UTF-8 and are stored in GBK; each must fit its field: name 29 bytes,
       file name 99, version 29, date 19, description 199 (GBK bytes; a
       Chinese character takes two). The stamped file must be longer than
       2500 bytes, and a file that already carries a block is refused.
       --values FILE reads "key=value" lines (UTF-8) with the keys id, name,
       file-name, version, date and description; options given on the
       command line win over the file.
       A file name of "解压缩" makes the wizard only unpack the package into
       the folder named by the description.
       --sign-key ends the block with a signature line ("SIG=" and 128 hex
       digits) over every byte before it.
read   prints the block of PACKAGE, one "key=value" line each, in UTF-8
       (--raw: the block's lines as GBK bytes).
keygen makes an ECDSA P-256 key pair: the private key goes to a new file
       (PEM, PKCS#8, readable by its owner only; an existing file is never
       replaced), the public key is printed as 128 hex digits, the form the
       wizard's build takes (ORVANE_PACKAGE_PUBLIC_KEYS).
public-key
       prints the public key of a private key file, the same way.
sign   appends a signature trailer (64 bytes and "OrvaneSignature1") to a
       file that is not a package: the archiver library, a game package.
verify checks the signature line of a file with an information block, or
       else its trailer, against the keys given (the build constant's form;
       --public-key-file reads it from a file, one key a line allowed), and
       prints what it found and which key holds.

Exit codes: 0 done (verify: valid), 1 refused or failed, 2 usage error,
3 (read) no block, 4 (verify) unsigned, or signed by none of the keys.
)";
const char* const kUsage = reinterpret_cast<const char*>(kUsageText);

struct TextValues {
  std::optional<std::string> id, name, fileName, version, date, description;
};

std::optional<std::string>* ValueFor(TextValues& v, std::string_view key) {
  if (key == "id") return &v.id;
  if (key == "name") return &v.name;
  if (key == "file-name") return &v.fileName;
  if (key == "version") return &v.version;
  if (key == "date") return &v.date;
  if (key == "description") return &v.description;
  return nullptr;
}

bool ReadValuesFile(const std::string& path, TextValues& values, std::string& error) {
  const auto text = tools::ReadWholeFile(path);
  if (!text) {
    error = "cannot read " + path;
    return false;
  }
  int number = 0;
  for (std::string line : SplitAt(*text, '\n')) {
    ++number;
    if (line.ends_with('\r')) line.pop_back();
    if (TrimBlanks(line).empty() || line.starts_with('#')) continue;
    const size_t eq = line.find('=');
    auto* slot =
        eq == std::string::npos ? nullptr : ValueFor(values, TrimBlanks(line.substr(0, eq)));
    if (!slot) {
      error = path + ":" + std::to_string(number) + ": expected key=value with a known key";
      return false;
    }
    *slot = line.substr(eq + 1);
  }
  return true;
}

std::optional<int32_t> ParseId(const std::string& text) {
  if (text.empty()) return std::nullopt;
  char* end = nullptr;
  errno = 0;
  const long long v = std::strtoll(text.c_str(), &end, 10);
  if (errno != 0 || *end != '\0' || v < std::numeric_limits<int32_t>::min() ||
      v > std::numeric_limits<int32_t>::max()) {
    return std::nullopt;
  }
  return static_cast<int32_t>(v);
}

int Write(const std::string& package, const TextValues& text,
          const std::optional<std::string>& signKeyPath) {
  if (!text.id && !text.name && !text.fileName && !text.version && !text.date &&
      !text.description) {
    return Fail("give at least one value to write");
  }
  InfoBlockValues values;
  if (text.id) {
    values.id = ParseId(*text.id);
    if (!values.id) return Fail("the id must be a whole number from -2147483648 to 2147483647");
  }
  const std::pair<const std::optional<std::string>*, std::optional<std::string>*> texts[] = {
      {&text.name, &values.name},
      {&text.fileName, &values.fileName},
      {&text.version, &values.version},
      {&text.date, &values.date},
      {&text.description, &values.description}};
  for (const auto& [from, to] : texts) {
    if (!*from) continue;
    *to = tools::Utf8ToGbk(**from);
    if (!*to) return Fail("\"" + **from + "\" is not UTF-8 text that GBK can carry");
  }
  const InfoBlockText block = FormatInfoBlock(values);
  if (!block.error.empty()) return Fail(block.error);

  std::string error;
  tools::Pkey key;
  if (signKeyPath) {
    key = tools::ReadPrivateKeyFile(*signKeyPath, error);
    if (!key) return Fail(error);
  }
  const auto tail = tools::ReadFileEnd(package, kInfoBlockTailSize);
  if (!tail) return Fail("cannot read " + package);
  const size_t appendedSize = block.block.size() + (key ? kSignatureLineSize : 0);
  const std::string placement = CheckBlockPlacement(tail->size, tail->bytes, appendedSize);
  if (!placement.empty()) return Fail(placement);

  std::string appended = block.block;
  if (key) {
    tools::Sha256 hash;
    if (!hash.AddFile(package, tail->size)) return Fail("cannot read " + package);
    hash.Add(block.block);
    const auto digest = hash.Finish();
    const auto signature = digest ? tools::SignDigest(*key, *digest, error) : std::nullopt;
    if (!signature) return Fail(digest ? error : "cannot hash " + package);
    appended += FormatSignatureLine(*signature);
  }
  if (!tools::AppendChecked(package, tail->size, appended, key.get(), error)) return Fail(error);
  if (!ReadPackageRecord(package)) return Fail("the block was written but does not read back");
  std::cout << "stamped " << package << ": " << appended.size() << " bytes of block"
            << (key ? " with its signature line, " : ", ") << tail->size + appended.size()
            << " bytes in all\n";
  return kExitOk;
}

int Read(const std::string& package, bool raw) {
  const auto tail = ReadPackageTail(package);
  if (!tail) return Fail("cannot read " + package);
  const auto block = LocateInfoBlock(tail->fileSize, tail->bytes);
  if (!block) return Fail(package + " carries no information block", kExitNoBlock);
  if (raw) {
    std::cout.write(block->data(), static_cast<std::streamsize>(block->size()));
    return kExitOk;
  }
  PackageRecord record;
  ParseInfoBlock(*block, record);
  auto show = [](std::string_view gbk) { return tools::GbkToUtf8(gbk).value_or("(not GBK text)"); };
  std::cout << "id=" << record.id << "\nname=" << show(record.name)
            << "\nfile-name=" << show(record.fileName) << "\nversion=" << show(record.version)
            << "\ndate=" << show(record.date) << "\ndescription=" << show(record.description)
            << "\n";
  return kExitOk;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (tools::PrintedHelp(args, kUsage)) return kExitOk;
  auto usage = [](const std::string& message) {
    return tools::UsageError("orvane-stamp", message, kUsage);
  };
  const std::string command = args.empty() ? "" : args[0];
  if (args.size() < 2 || (command != "write" && command != "read" && command != "keygen" &&
                          command != "public-key" && command != "sign" && command != "verify")) {
    return usage("say write, read, keygen, public-key, sign or verify, and the file");
  }
  const std::string& package = args[1];
  if (command == "read") {
    if (args.size() == 2) return Read(package, false);
    if (args.size() == 3 && args[2] == "--raw") return Read(package, true);
    return usage("read takes only --raw");
  }
  if (command == "keygen" || command == "public-key") {
    if (args.size() != 2) return usage(command + " takes only the private key file");
    return command == "keygen" ? tools::MakeKey(package) : tools::ShowPublicKey(package);
  }
  if (command == "sign") {
    if (args.size() != 4 || args[2] != "--key") return usage("sign takes FILE --key KEY_FILE");
    return tools::SignWithTrailer(package, args[3]);
  }
  if (command == "verify") {
    if (args.size() != 4) return usage("verify takes FILE and --public-key or --public-key-file");
    if (args[2] == "--public-key") return tools::Verify(package, args[3]);
    if (args[2] != "--public-key-file") return usage("unknown option " + args[2]);
    const auto text = tools::ReadWholeFile(args[3]);
    if (!text) return Fail("cannot read " + args[3]);
    // One key a line reads as the comma-separated list.
    std::string keys;
    for (std::string line : SplitAt(*text, '\n')) {
      if (line.ends_with('\r')) line.pop_back();
      if (TrimBlanks(line).empty()) continue;
      keys += (keys.empty() ? "" : ",") + line;
    }
    return tools::Verify(package, keys);
  }

  TextValues fromFile, fromOptions;
  std::optional<std::string> signKey;
  for (size_t i = 2; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (i + 1 >= args.size()) return usage(a + " needs a value");
    const std::string& value = args[++i];
    if (a == "--values") {
      std::string error;
      if (!ReadValuesFile(value, fromFile, error)) return Fail(error);
      continue;
    }
    if (a == "--sign-key") {
      signKey = value;
      continue;
    }
    auto* slot =
        a.starts_with("--") ? ValueFor(fromOptions, std::string_view(a).substr(2)) : nullptr;
    if (!slot) return usage("unknown option " + a);
    *slot = value;
  }
  TextValues merged = fromFile;
  for (std::string_view key : {"id", "name", "file-name", "version", "date", "description"}) {
    if (auto* option = ValueFor(fromOptions, key); option->has_value())
      *ValueFor(merged, key) = *option;
  }
  return Write(package, merged, signKey);
}
