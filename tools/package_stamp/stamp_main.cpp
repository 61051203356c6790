// orvane-stamp: appends the information block the wizard reads at the end
// of a package, and shows the block of an existing package.
#include <cerrno>
#include <cstdlib>
#include <fstream>
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
#include "tool_arguments.h"
#include "tool_files.h"

namespace {

using namespace orvane;

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitNoBlock = 3;

// UTF-8 for the terminal, whatever the execution character set of narrow
// literals (GBK in this build).
constexpr const char8_t* kUsageText =
    u8R"(usage: orvane-stamp write PACKAGE [--values FILE] [--id N] [--name TEXT]
                           [--file-name TEXT] [--version TEXT] [--date TEXT]
                           [--description TEXT]
       orvane-stamp read PACKAGE [--raw]

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
read   prints the block of PACKAGE, one "key=value" line each, in UTF-8
       (--raw: the block's lines as GBK bytes).

Exit codes: 0 done, 1 refused or failed, 2 usage error, 3 (read) no block.
)";
const char* const kUsage = reinterpret_cast<const char*>(kUsageText);

struct TextValues {
  std::optional<std::string> id, name, fileName, version, date, description;
};

int Fail(const std::string& message, int code = kExitFailed) {
  std::cerr << "orvane-stamp: " << message << "\n";
  return code;
}

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

int Write(const std::string& package, const TextValues& text) {
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

  const auto tail = ReadPackageTail(package);
  if (!tail) return Fail("cannot read " + package);
  // ReadPackageTail leaves short files' tails empty; read them whole.
  std::string tailBytes = tail->bytes;
  if (tailBytes.empty() && tail->fileSize > 0)
    tailBytes = tools::ReadWholeFile(package).value_or("");
  const std::string placement = CheckBlockPlacement(tail->fileSize, tailBytes, block.block.size());
  if (!placement.empty()) return Fail(placement);

  {
    std::ofstream file(package, std::ios::binary | std::ios::app);
    file.write(block.block.data(), static_cast<std::streamsize>(block.block.size()));
    file.close();
    if (!file) return Fail("cannot append to " + package);
  }
  if (!ReadPackageRecord(package)) return Fail("the block was written but does not read back");
  std::cout << "stamped " << package << ": " << block.block.size() << " bytes of block, "
            << tail->fileSize + block.block.size() << " bytes in all\n";
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
  if (args.size() < 2 || (args[0] != "write" && args[0] != "read")) {
    return usage("say write or read, and the package");
  }
  const std::string& package = args[1];
  if (args[0] == "read") {
    if (args.size() == 2) return Read(package, false);
    if (args.size() == 3 && args[2] == "--raw") return Read(package, true);
    return usage("read takes only --raw");
  }

  TextValues fromFile, fromOptions;
  for (size_t i = 2; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (i + 1 >= args.size()) return usage(a + " needs a value");
    const std::string& value = args[++i];
    if (a == "--values") {
      std::string error;
      if (!ReadValuesFile(value, fromFile, error)) return Fail(error);
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
  return Write(package, merged);
}
